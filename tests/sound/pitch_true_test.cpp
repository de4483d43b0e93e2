// Pitch-true playback through the real synthesizer: banks whose tuning is off by a known amount
// render at the pitch asked for, measured in the rendered audio, keeping a deliberate
// detuning; and the default General MIDI bank renders A4 at 440 Hz. (The bank's own tuning,
// switched from the document, is tested in tests/document/pitch_true_choice_test.cpp.)
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "sound/default_bank.h"
#include "sound/peak_estimator.h"
#include "sound/sound_fixtures.h"
#include "sound/synth_controller.h"
#include "sound/tuning_test_bank.h"

namespace kelvara::testing {
namespace {

constexpr double kA4 = 440.0;
constexpr double kAttackSkipSeconds = 0.2;

double detuned(double cents) {
    return kA4 * std::exp2(cents / 1200.0);
}

// The strongest peak near each expected frequency in A4 held for `seconds` (past the attack).
std::vector<double> render_a4(SynthController& controller, std::vector<double> near_hz,
                              double seconds) {
    const auto ids = controller.notes_on({float(kA4)}, 100.0f);
    const StereoBuffer audio = render_seconds(controller, kAttackSkipSeconds + seconds);
    controller.notes_off(ids);
    render_seconds(controller, 0.3);  // release tail
    const double rate = controller.sample_rate();
    const Spectrum spectrum(from_seconds(audio.left, rate, kAttackSkipSeconds), rate);
    for (double& hz : near_hz) hz = spectrum.peak_frequency(hz, 5.0);
    return near_hz;
}

struct RenderCase {
    TestPreset preset;
    std::vector<double> cents;  // each zone's tone against A4, with pitch-true
};

TEST(PitchTrue, BanksOffByKnownCentsPlayInTuneKeepingDeliberateDetuning) {
    using T = TestTone;
    const std::vector<RenderCase> cases = {
        {{"correction +17", 0, {{T::Sine440, 69, 17}}}, {0.0}},
        {{"root +1, corr +85", 1, {{T::Sine440, 70, 85}}}, {0.0}},
        // Two tones 14 cents apart need a long stretch to be told apart.
        {{"detuned pair", 2, {{T::Sine440, 69, 10, -7}, {T::Sine440, 69, 10, 7}}}, {-7.0, 7.0}},
    };
    std::vector<TestPreset> presets;
    for (const auto& c : cases) presets.push_back(c.preset);
    const TuningTestFolder folder(presets);
    SoundSetup setup = offline_setup(folder.bank());
    setup.bank_tuning_cache = folder.cache();
    SynthController controller(0, setup);
    ASSERT_TRUE(controller.load_default_bank());
    ASSERT_TRUE(controller.wait_for_bank_tuning());
    for (size_t i = 0; i < cases.size(); ++i) {
        controller.select_instrument(int32_t(i));
        std::vector<double> near;
        for (double cents : cases[i].cents) near.push_back(detuned(cents));
        const auto found = render_a4(controller, near, near.size() > 1 ? 2.5 : 1.0);
        for (size_t tone = 0; tone < near.size(); ++tone)
            EXPECT_NEAR(cents_between(found[tone], kA4), cases[i].cents[tone], 0.1)
                << cases[i].preset.name << " tone " << tone;
    }
}

// A tone queued while the corrections are not in force and started once they are finds no
// sample made at its corrected rate: it still sounds, in tune to the cent.
TEST(PitchTrue, AToneQueuedBeforeItsCorrectionsSoundsInTune) {
    const TuningTestFolder folder({{"correction +17", 0, {{TestTone::Sine440, 69, 17}}}});
    SoundSetup setup = offline_setup(folder.bank());
    setup.bank_tuning_cache = folder.cache();
    SynthController controller(0, setup);
    ASSERT_TRUE(controller.load_default_bank());
    ASSERT_TRUE(controller.wait_for_bank_tuning());
    controller.set_pitch_true(false);
    controller.notes_on({float(kA4)}, 100.0f);
    controller.set_pitch_true(true);
    const double rate = controller.sample_rate();
    const StereoBuffer audio = render_seconds(controller, kAttackSkipSeconds + 1.0);
    const Spectrum spectrum(from_seconds(audio.left, rate, kAttackSkipSeconds), rate);
    EXPECT_GT(spectrum.amplitude_at(kA4), 0.01);
    EXPECT_NEAR(cents_between(spectrum.peak_frequency(kA4, 30.0), kA4), 0.0, 1.0);
    EXPECT_EQ(controller.voices_to_nearest_cent(), 1u);
}

// The default General MIDI bank is measured and its presets render A4 at 440 Hz. The package
// timgm6mb-soundfont (scripts/packages.txt) provides it.
TEST(PitchTrueGeneralMidi, ProgramsRenderA4At440Hz) {
    std::error_code missing;
    if (!std::filesystem::is_regular_file(sound::kSystemGeneralMidiBank, missing))
        GTEST_SKIP() << sound::kSystemGeneralMidiBank
                     << " is not installed (Debian package timgm6mb-soundfont)";
    SoundSetup setup = offline_setup("");
    SynthController c(0, setup);
    ASSERT_TRUE(c.load_default_bank());
    ASSERT_TRUE(c.wait_for_bank_tuning(std::chrono::minutes(5)));
    for (int program : {0, 11, 19, 24, 40, 73}) {
        c.select_instrument(program);
        const double hz = render_a4(c, {kA4}, 1.0)[0];
        EXPECT_NEAR(cents_between(hz, kA4), 0.0, 0.5) << "program " << program;
    }
}

}  // namespace
}  // namespace kelvara::testing
