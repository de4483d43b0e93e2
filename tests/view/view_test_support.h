#pragma once
// Helpers for the graph view's tests: rendering into images, reading pixels, counting
// repaints and catching log lines.
#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <vector>

#include "view/graph_widget.h"

namespace kelvara::testing {

// The view's own pixels over transparency (no window background behind), unpremultiplied
// so colours read as the components the view was given.
inline QImage rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// A component 0..1 read from an 8-bit pixel.
inline double red(const QImage& im, int x, int y) {
    return im.pixelColor(x, y).redF();
}
inline double green(const QImage& im, int x, int y) {
    return im.pixelColor(x, y).greenF();
}
inline double blue(const QImage& im, int x, int y) {
    return im.pixelColor(x, y).blueF();
}
inline double alpha(const QImage& im, int x, int y) {
    return im.pixelColor(x, y).alphaF();
}

// Widget row for an unflipped view y (the pixel whose centre lies half a unit above it).
inline int row_for(const QWidget& widget, float view_y) {
    return widget.height() - 1 - static_cast<int>(view_y);
}

// A shown view whose paint events are counted.
class PaintCountingView : public GraphWidget {
public:
    int paints = 0;
    int graph_updates = 0;
    void redraw(int32_t count) override {
        ++graph_updates;
        GraphWidget::redraw(count);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        GraphWidget::paintEvent(event);
    }
};

// Lets every posted update reach the window. Repaints are posted events, so a short wait
// that keeps processing them settles the view.
inline void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(10);
    }
}

// Collects the messages Qt's logging receives while it lives.
class LogCapture {
public:
    LogCapture() {
        messages().clear();
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    const QStringList& lines() const { return messages(); }

private:
    static QStringList& messages() {
        static QStringList list;
        return list;
    }
    static void handle(QtMsgType, const QMessageLogContext&, const QString& text) {
        messages().append(text);
    }
    QtMessageHandler previous_ = nullptr;
};

}  // namespace kelvara::testing
