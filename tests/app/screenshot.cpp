// screenshot window WIDTHxHEIGHT OUT.png [FILE.kelvara]
// screenshot recording OUT.png
// On whatever display it is given (a virtual X server in the test), grabs to OUT.png and
// checks what it shows. Exit codes: 0 checked, 1 failed.
// - window: starts the application as `kelvara` does, sizes its first document window, shows
//   the scale's steps and the just ratios, selects the scale's fifth row and points at the
//   graph so the readout reads the curve; saves the whole screen beside it as OUT-screen.png
//   and checks that the graph holds a curve.
// - recording: the Timbre from Recording dialog on a recording it makes (a struck bell: eight
//   inharmonic partials decaying together, with noise 40 dB down, in stereo FLAC); checks the
//   marks of the picked partials.
#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>

#include "app/document_window.h"
#include "app/kelvara_application.h"
#include "app/recording_timbre_dialog.h"
#include "engine/synthetic_recording.h"
#include "support/audio_test_files.h"
#include "support/window_controls.h"

namespace {

using kelvara::testing::control;

constexpr int kWatchdogMs = 30000;

// The pixels of `area` that `counts`.
template <typename Pixel>
int pixels_inside(const QImage& shot, const QRect& area, Pixel counts) {
    int found = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) found += counts(shot.pixelColor(x, y));
    return found;
}

bool save(QWidget& widget, const QString& out, QImage& shot) {
    shot = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (!shot.save(out)) return false;
    std::printf("%dx%d saved to %s\n", shot.width(), shot.height(), qPrintable(out));
    return true;
}

// The curve is stroked in a dark translucent colour over a light panel.
int window_shot(const QString& size, const QString& out, const QStringList& files) {
    kelvara::KelvaraApplication app;
    app.open_startup_documents(files);
    kelvara::DocumentWindow* window = app.documents().windows().value(0);
    const QStringList wh = size.split(QLatin1Char('x'));
    if (window == nullptr || wh.size() != 2) return 1;
    window->resize(wh[0].toInt(), wh[1].toInt());
    if (!QTest::qWaitForWindowExposed(window)) return 1;
    for (const char* toggle : {"plot_just_ratios", "plot_cursor_line", "scale_lines_toggle"})
        QTest::mouseClick(control<QToolButton>(*window, toggle), Qt::LeftButton);
    auto* scale = control<QTableView>(*window, "scale_table");
    if (scale->model()->rowCount() > 4) scale->selectRow(4);
    kelvara::GraphWidget* graph = window->graph();
    QTest::mouseMove(
        graph, QPoint(static_cast<int>(graph->geometry().x_for_ratio(1.26f)), graph->height() / 2));
    QTest::qWait(400);
    QImage shot;
    if (!save(*window, out, shot)) return 1;
    QString screen_out = out;
    window->screen()->grabWindow(0).save(screen_out.replace(".png", "-screen.png"));
    const QRect area(graph->mapTo(window, QPoint(0, 0)), graph->size());
    // Away from the graph's edges, where the axes and labels are drawn.
    const QRect inner =
        area.adjusted(area.width() / 8, area.height() / 8, -area.width() / 8, -area.height() / 8);
    const int dark = pixels_inside(shot, inner, [](QColor c) { return qGray(c.rgb()) < 80; });
    std::printf("graph %dx%d at (%d,%d): %d dark pixels inside\n", area.width(), area.height(),
                area.x(), area.y(), dark);
    return dark > area.width() / 4 ? 0 : 1;
}

QString bell_recording(const QTemporaryDir& folder) {
    kelvara::SyntheticRecording bell;
    bell.seconds = 4.0;
    bell.channels = 2;
    bell.channel_delay_seconds = 0.0008;
    bell.decay_seconds = 2.0;
    bell.noise_below_rms_db = 40.0;
    const double ratios[] = {0.5, 1.0, 1.19, 1.5, 2.0, 2.51, 2.66, 3.01};
    const double levels[] = {0.05, 0.1, 0.06, 0.03, 0.2, 0.05, 0.02, 0.01};
    for (size_t i = 0; i < 8; ++i) bell.partials.push_back({311.0 * ratios[i], levels[i], 0.4 * i});
    const QString path = folder.filePath(QStringLiteral("bell.flac"));
    const bool written = kelvara::test::write_audio_file(
        path.toStdString(), kelvara::synthesize_recording(bell), SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    return written ? path : QString();
}

// The marks of partials other than 1 are drawn in an orange.
int recording_shot(const QString& out) {
    const QTemporaryDir folder;
    auto dialog = kelvara::RecordingTimbreDialog::open(bell_recording(folder));
    if (!dialog) {
        std::fprintf(stderr, "%s\n", dialog.error().reason.c_str());
        return 1;
    }
    kelvara::RecordingTimbreDialog& shown = **dialog;
    shown.set_picking(12, 50.0);
    shown.show();
    if (!QTest::qWaitForWindowExposed(&shown)) return 1;
    QTest::qWait(400);
    QImage shot;
    if (!save(shown, out, shot)) return 1;
    const int marks = pixels_inside(shot, shot.rect(), [](QColor c) {
        return c.red() > 170 && c.green() > 50 && c.green() < 120 && c.blue() < 60;
    });
    const size_t partials = shown.partials().size();
    std::printf("%zu partials, %d mark pixels\n", partials, marks);
    return partials == 8 && marks > 100 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt_app(argc, argv);
    kelvara::describe_application();
    const QStringList args = QApplication::arguments().mid(1);
    // A dialog left open (a document that cannot be read) must fail the test, not hang it.
    QTimer::singleShot(kWatchdogMs, [] {
        std::fprintf(stderr, "screenshot: timed out (a modal dialog?)\n");
        std::_Exit(1);
    });
    if (args.size() >= 3 && args[0] == QLatin1String("window"))
        return window_shot(args[1], args[2], args.mid(3));
    if (args.size() >= 2 && args[0] == QLatin1String("recording")) return recording_shot(args[1]);
    std::fprintf(stderr,
                 "usage: screenshot window WIDTHxHEIGHT OUT.png [FILE.kelvara]\n"
                 "       screenshot recording OUT.png\n");
    return 1;
}
