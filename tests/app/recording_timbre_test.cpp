// File ▸ Timbre from Recording… on recordings the test writes: the dialog's proposal and its
// settings, a stretch it cannot analyse, another partial called 1; and through the window's
// command, a refused file shown as an error that changes nothing, an accepted list handed on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/document_window.h"
#include "app/recording_timbre_command.h"
#include "app/recording_timbre_dialog.h"
#include "engine/synthetic_recording.h"
#include "support/app_fakes.h"
#include "support/audio_test_files.h"

namespace kelvara {
namespace {

using ::testing::HasSubstr;

class RecordingTimbreTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A free bar at 200 Hz, five modes from 0 to -40 dB, decaying, with noise 40 dB down.
        SyntheticRecording bar;
        bar.seconds = 3.0;
        bar.decay_seconds = 1.5;
        bar.noise_below_rms_db = 40.0;
        const double levels[] = {0.4, 0.2, 0.08, 0.03, 0.004};
        for (size_t i = 0; i < 5; ++i) bar.partials.push_back({200.0 * kRatios[i], levels[i], 0.5});
        ASSERT_TRUE(test::write_audio_file(path("bar.wav").toStdString(), synthesize_recording(bar),
                                           SF_FORMAT_WAV | SF_FORMAT_PCM_24));
    }
    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    bool ok_enabled(RecordingTimbreDialog& dialog) const {
        return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
    }

    static constexpr double kRatios[] = {1.0, 2.7565, 5.4039, 8.933, 13.3443};
    QTemporaryDir folder;
};

TEST_F(RecordingTimbreTest, TheDialogMeasuresTheProposedStretchAndFollowsItsSettings) {
    auto opened = RecordingTimbreDialog::open(path("bar.wav"));
    ASSERT_TRUE(opened) << opened.error().reason;
    RecordingTimbreDialog& dialog = **opened;
    std::vector<Partial> partials = dialog.partials();
    ASSERT_EQ(partials.size(), 5u);  // (how near the known partials: recording_analysis_test)
    EXPECT_TRUE(ok_enabled(dialog));

    // (Which partials each setting keeps, and the levels: recording_analysis_test.cpp.)
    dialog.set_picking(3, 60.0);
    EXPECT_EQ(dialog.partials().size(), 3u);
    dialog.call_one(540.0);  // the second mode becomes 1
    EXPECT_NEAR(dialog.partials()[0].ratio, 1.0 / kRatios[1], 1e-3);

    // Past the end of the recording: why, under the plot, and nothing to accept.
    dialog.set_stretch(2.99, 1.0);
    EXPECT_TRUE(dialog.partials().empty());
    EXPECT_THAT(dialog.problem_text().toStdString(), HasSubstr("is too short"));
    EXPECT_FALSE(ok_enabled(dialog));
}

TEST_F(RecordingTimbreTest, TheCommandShowsARefusedFileAndHandsOnAnAcceptedList) {
    testing::ScriptedDialogs dialogs;
    DocumentWindow window{std::make_unique<Document>()};
    RecordingTimbreCommand command(window, dialogs);
    QString chosen;
    bool accepted = true;
    int shown = 0;
    command.set_questions([&](QWidget*) { return std::optional<QString>(chosen); },
                          [&](RecordingTimbreDialog&) {
                              ++shown;
                              return accepted;
                          });
    // (Each refusal's reason: tests/persistence/audio_file_reader_test.cpp.)
    test::write_bytes(path("notes.wav").toStdString(), {'n', 'o', 't', 'e', 's'});
    chosen = path("notes.wav");
    command.run();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].first, QStringLiteral("The recording could not be read."));
    EXPECT_EQ(shown, 0);
    EXPECT_FALSE(window.document().history().can_undo());

    chosen = path("bar.wav");
    accepted = false;
    command.run();
    EXPECT_FALSE(window.document().history().can_undo());
    accepted = true;
    command.run();
    EXPECT_EQ(shown, 2);
    // Accepted: the measured partials are the timbre, one undo step.
    const std::vector<Partial>& partials = window.document().curve().custom_partials();
    EXPECT_EQ(window.document().curve().overtone_type(), CustomPartials);
    EXPECT_EQ(partials.size(), 5u);
}

}  // namespace
}  // namespace kelvara
