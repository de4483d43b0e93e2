#pragma once
// Renders a graph view into an image for its tests.
#include <QImage>
#include <QWidget>

#include "view/graph_widget.h"

namespace kelvara::testing {

// The view's own pixels over transparency (no window background behind), unpremultiplied
// so colours read as the components the view was given. Like a first repaint, it lays the
// view out at its size.
inline QImage rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Sized and laid out by a first repaint.
inline void lay_out(QWidget& widget, int width, int height) {
    widget.resize(width, height);
    rendered(widget);
}

}  // namespace kelvara::testing
