// app_screenshot OUT.png [FILE.kelvara]: starts the application as `kelvara` does (on
// whatever display it is given, a virtual X server in the test), shows the scale's steps and
// the just ratios, selects the scale's fifth row and points at the graph so the readout
// reads the curve, grabs its first document window to OUT.png and the whole screen to
// OUT-screen.png, and checks that the graph holds a curve. Exit codes: 0 checked, 1 failed.
#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>

#include "app/kelvara_application.h"
#include "app/window_widgets.h"

namespace {

constexpr int kWatchdogMs = 30000;

// Dark pixels inside the graph, away from its edges where the axes and labels are drawn:
// the curve is stroked in a dark translucent colour over a light panel.
int dark_pixels_inside(const QImage& shot, const QRect& graph) {
    const QRect inner = graph.adjusted(graph.width() / 8, graph.height() / 8, -graph.width() / 8,
                                       -graph.height() / 8);
    int dark = 0;
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x)
            if (qGray(shot.pixel(x, y)) < 80) ++dark;
    return dark;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt_app(argc, argv);
    kelvara::describe_application();
    const QStringList args = QApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: app_screenshot OUT.png [FILE.kelvara]\n");
        return 1;
    }
    // A dialog left open (a document that cannot be read) must fail the test, not hang it.
    QTimer::singleShot(kWatchdogMs, [] {
        std::fprintf(stderr, "app_screenshot: timed out (a modal dialog?)\n");
        std::_Exit(1);
    });

    kelvara::KelvaraApplication app;
    app.open_startup_documents(args.mid(1));
    kelvara::DocumentWindow* window = app.documents().windows().value(0);
    if (window == nullptr) return 1;
    window->resize(1180, 740);
    if (!QTest::qWaitForWindowExposed(window)) return 1;
    const kelvara::WindowWidgets& w = window->widgets();
    QTest::mouseClick(w.plot_toggles[0], Qt::LeftButton);
    QTest::mouseClick(w.plot_toggles[1], Qt::LeftButton);
    QTest::mouseClick(w.scale_lines_toggle, Qt::LeftButton);
    if (w.scale_table->model()->rowCount() > 4) w.scale_table->selectRow(4);
    kelvara::GraphWidget* plot = window->graph();
    QTest::mouseMove(plot,
                     QPoint(static_cast<int>(plot->location_for_x(1.26f)), plot->height() / 2));
    QTest::qWait(400);

    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString out = args.value(0);
    if (!shot.save(out)) return 1;
    QString screen_out = out;
    screen_out.replace(QStringLiteral(".png"), QStringLiteral("-screen.png"));
    window->screen()->grabWindow(0).save(screen_out);
    std::printf("window %dx%d saved to %s\n", shot.width(), shot.height(), qPrintable(out));

    const QWidget* graph = window->widgets().graph;
    const QRect area(graph->mapTo(window, QPoint(0, 0)), graph->size());
    const int dark = dark_pixels_inside(shot, area);
    std::printf("graph %dx%d at (%d,%d): %d dark pixels inside\n", area.width(), area.height(),
                area.x(), area.y(), dark);
    return dark > area.width() / 4 ? 0 : 1;
}
