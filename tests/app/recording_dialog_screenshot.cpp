// recording_dialog_screenshot OUT.png [RECORDING]: the Timbre from Recording dialog on a
// recording the program makes (a struck bell: eight inharmonic partials decaying together,
// with noise 40 dB down, in stereo FLAC) or on RECORDING, in a real window on whatever display it
// is given (a virtual X server in the test), grabbed to OUT.png and checked for the marks of the
// picked partials. Exit codes: 0 checked, 1 failed.
#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/kelvara_application.h"
#include "app/recording_timbre_dialog.h"
#include "engine/synthetic_recording.h"
#include "support/audio_test_files.h"

namespace {

constexpr int kWatchdogMs = 30000;

// Pixels of the colour the marks of partials other than 1 are drawn in.
int mark_pixels(const QImage& shot) {
    int marks = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() > 170 && c.green() > 50 && c.green() < 120 && c.blue() < 60) ++marks;
        }
    return marks;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt_app(argc, argv);
    kelvara::describe_application();
    const QStringList args = QApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: recording_dialog_screenshot OUT.png\n");
        return 1;
    }
    QTimer::singleShot(kWatchdogMs, [] {
        std::fprintf(stderr, "recording_dialog_screenshot: timed out\n");
        std::_Exit(1);
    });

    kelvara::SyntheticRecording bell;
    bell.seconds = 4.0;
    bell.channels = 2;
    bell.channel_delay_seconds = 0.0008;
    bell.decay_seconds = 2.0;
    bell.noise_below_rms_db = 40.0;
    const double ratios[] = {0.5, 1.0, 1.19, 1.5, 2.0, 2.51, 2.66, 3.01};
    const double levels[] = {0.05, 0.1, 0.06, 0.03, 0.2, 0.05, 0.02, 0.01};
    for (size_t i = 0; i < 8; ++i) bell.partials.push_back({311.0 * ratios[i], levels[i], 0.4 * i});
    const QTemporaryDir folder;
    const QString path =
        args.size() > 1 ? args.value(1) : folder.filePath(QStringLiteral("bell.flac"));
    if (args.size() == 1 &&
        !kelvara::test::write_audio_file(path.toStdString(), kelvara::synthesize_recording(bell),
                                         SF_FORMAT_FLAC | SF_FORMAT_PCM_24))
        return 1;

    auto dialog = kelvara::RecordingTimbreDialog::open(path);
    if (!dialog) {
        std::fprintf(stderr, "%s\n", dialog.error().reason.c_str());
        return 1;
    }
    kelvara::RecordingTimbreDialog& shown = **dialog;
    shown.set_picking(12, 50.0);
    shown.show();
    if (!QTest::qWaitForWindowExposed(&shown)) return 1;
    QTest::qWait(400);

    const QImage shot = shown.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (!shot.save(args.value(0))) return 1;
    const int marks = mark_pixels(shot);
    const size_t partials = shown.partials().size();
    std::printf("dialog %dx%d saved to %s: %zu partials, %d mark pixels\n", shot.width(),
                shot.height(), qPrintable(args.value(0)), partials, marks);
    return (partials == 8 || args.size() > 1) && marks > 100 ? 0 : 1;
}
