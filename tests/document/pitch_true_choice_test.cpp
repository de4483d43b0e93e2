// The document's choice between pitch-true playback and the bank's own tuning, applied by the
// instrument rig to the real synthesizer, which measures its bank only once the window lets
// it. (The window's box: tests/app/bank_tuning_box_test.cpp; saving and reopening it:
// tests/app/document_files_test.cpp.)
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "document/document.h"
#include "document/instrument_rig.h"
#include "midi/in_process_midi_system.h"
#include "sound/peak_estimator.h"
#include "sound/sound_fixtures.h"
#include "sound/tuning_test_bank.h"

namespace kelvara {
namespace {

// A window's rig: the bank is off by +17 cents, measured only once measuring is allowed,
// and the document's choice decides what sounds.
TEST(PitchTrueChoice, TheRigMeasuresOnceAllowedAndPlaysTheDocumentsChoice) {
    const testing::TuningTestFolder folder(
        {{"correction +17", 0, {{testing::TestTone::Sine440, 69, 17}}}});
    midi::InProcessMidiSystem system;
    Document doc;
    InstrumentRig::Setup setup{testing::offline_setup(folder.bank()),
                               system.create_client(midi::kMidiClientName)};
    setup.sound.bank_tuning_cache = folder.cache();
    setup.sound.measure_banks_at_once = false;
    InstrumentRig rig(doc.chords().published(), std::move(setup));
    ASSERT_TRUE(rig.synthesizer_built());
    rig.synth().stop();  // rendered here, offline
    doc.attach_synth_channel(rig.channel());
    doc.show_all();

    // The pitch of A4 as it sounds, in cents from 440 Hz.
    const auto played_cents = [&] {
        const auto ids = rig.synth().notes_on({440.0f}, 100.0f);
        const StereoBuffer audio = testing::render_seconds(rig.synth(), 1.2);
        rig.synth().notes_off(ids);
        testing::render_seconds(rig.synth(), 0.3);
        const double rate = rig.synth().sample_rate();
        const testing::Spectrum spectrum(testing::from_seconds(audio.left, rate, 0.2), rate);
        return testing::cents_between(
            spectrum.peak_frequency(440.0 * std::exp2(8.5 / 1200.0), 12.0), 440.0);
    };
    EXPECT_FALSE(rig.synth().wait_for_bank_tuning(std::chrono::milliseconds(50)))
        << "nothing is measured before the window lets it";
    EXPECT_NEAR(played_cents(), 17.0, 0.1);
    rig.allow_bank_measuring();
    ASSERT_TRUE(rig.synth().wait_for_bank_tuning());
    EXPECT_NEAR(played_cents(), 0.0, 0.1);
    doc.playback_actions().set_pitch_true(false);
    EXPECT_NEAR(played_cents(), 17.0, 0.1);
    doc.detach_synth_channel();
}

}  // namespace
}  // namespace kelvara
