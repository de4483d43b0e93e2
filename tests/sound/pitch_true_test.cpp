// Pitch-true playback through the real synthesizer: banks whose tuning is off by a known amount
// render at the pitch asked for, measured in the rendered audio, over the whole held note. (A
// layer detuned on purpose keeps its spread: the measured corrections of bank_tuning_test.cpp.
// The system's General MIDI bank played in tune: tests/cli/cli_test.cpp. The bank's own
// tuning, switched from the document, is tested in tests/document/pitch_true_choice_test.cpp.)
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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

// A bank of `presets`, played offline with its tuning measured into a cache of its own; by
// default one whose A4 zone is tuned 17 cents off (what pitch-true playback corrects).
struct TunedBank {
    explicit TunedBank(const std::vector<TestPreset>& presets = {{"correction +17",
                                                                  0,
                                                                  {{TestTone::Sine440, 69, 17}}}})
        : folder(presets), controller(0, setup_for(folder)) {}
    static SoundSetup setup_for(const TuningTestFolder& folder) {
        SoundSetup setup = offline_setup(folder.bank());
        setup.bank_tuning_cache = folder.cache();
        return setup;
    }
    // The bank loaded and its tuning in force.
    bool ready() { return controller.load_default_bank() && controller.wait_for_bank_tuning(); }

    const TuningTestFolder folder;
    SynthController controller;
};

// A tone queued while the corrections are not in force and started once they are finds no
// sample made at its corrected rate: it still sounds, in tune to the cent.
TEST(PitchTrue, AToneQueuedBeforeItsCorrectionsSoundsInTune) {
    TunedBank bank;
    ASSERT_TRUE(bank.ready());
    SynthController& controller = bank.controller;
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

// A glide moves a bank's tone to a fraction of a cent and leaves the other tone where it is:
// the adaptive tuning of a held chord played on a bank's instrument. Between whole cents the
// tone is dithered block by block; what that adds below the tone stays 60 dB under it.
TEST(PitchTrue, ABanksToneGlidesToAFractionOfACent) {
    TunedBank bank;
    ASSERT_TRUE(bank.ready());
    SynthController& controller = bank.controller;
    controller.select_instrument(0);
    const float third = 550.0f;  // 440 × 5/4
    const auto ids = controller.notes_on({float(kA4), third}, 100.0f);
    render_seconds(controller, 0.1);
    const double target = detuned(-13.7);
    controller.glide_note(ids[0], float(kA4), float(target));
    const double rate = controller.sample_rate();
    const StereoBuffer audio = render_seconds(controller, kAttackSkipSeconds + 1.5);
    const Spectrum spectrum(from_seconds(audio.left, rate, kAttackSkipSeconds), rate);
    EXPECT_NEAR(cents_between(spectrum.peak_frequency(target, 5.0), kA4), -13.7, 0.05);
    const double level = spectrum.amplitude_at(target);
    EXPECT_LT(spectrum.amplitude_at(kA4), 0.1 * level);
    EXPECT_LT(spectrum.amplitude_at(target - 100.0), 1e-3 * level);
    EXPECT_NEAR(cents_between(spectrum.peak_frequency(third, 5.0), third), 0.0, 0.5);
}

// A held note is in tune from its attack through its sustain, on zones 17 cents off: a sample
// whose loop goes kShortLoopCents sharp after an attack in tune plays a copy whose loop holds
// the attack's pitch; one whose fundamental glides from kGlideCents up to its loop in tune
// plays a copy whose fundamental holds the loop's pitch, its steady octave left where it was.
// (The bank's own tuning of a plain zone: tests/document/pitch_true_choice_test.cpp.)
TEST(PitchTrue, AnAttackAndLoopTunedApartAreHeldInTune) {
    struct HeldCase {
        TestTone tone;
        std::vector<std::pair<double, double>> parts;  // seconds into the note
        bool steady_octave = false;                    // 880 Hz sounds in every part
    };
    const std::vector<HeldCase> cases = {
        {TestTone::ShortLoopSine, {{0.0, 0.3}, {1.0, 3.0}}},
        {TestTone::GlidingAttackSine, {{0.1, 0.3}, {1.2, 3.0}}, true},
    };
    std::vector<TestPreset> presets;
    for (const auto& c : cases)
        presets.push_back(
            {"case " + std::to_string(presets.size()), int(presets.size()), {{c.tone, 69, 17}}});
    TunedBank bank(presets);
    ASSERT_TRUE(bank.ready());
    SynthController& controller = bank.controller;
    const double rate = controller.sample_rate();
    for (size_t preset = 0; preset < presets.size(); ++preset) {
        controller.select_instrument(int32_t(preset));
        const auto ids = controller.notes_on({float(kA4)}, 100.0f);
        const StereoBuffer audio = render_seconds(controller, 3.0);
        controller.notes_off(ids);
        render_seconds(controller, 0.3);  // release tail
        for (const auto& [from, to] : cases[preset].parts) {
            const Spectrum spectrum(std::vector<float>(audio.left.begin() + long(from * rate),
                                                       audio.left.begin() + long(to * rate)),
                                    rate);
            EXPECT_NEAR(cents_between(spectrum.peak_frequency(kA4, 5.0), kA4), 0.0, 0.5)
                << presets[preset].name << " from " << from << " s";
            if (!cases[preset].steady_octave) continue;
            EXPECT_NEAR(cents_between(spectrum.peak_frequency(2 * kA4, 5.0), 2 * kA4), 0.0, 0.5)
                << presets[preset].name << "'s octave from " << from << " s";
        }
    }
}

}  // namespace
}  // namespace kelvara::testing
