// Exact fractional pitch through the real FluidSynth: every tone is rendered offline and
// must sound at 440·2^((p−69)/12) for the pitch p it was given, with the generated SF2 and
// DLS banks. FluidSynth's own loader (the path compressed SF3 banks take) tunes keys in
// whole cents only, which the same measurement must see.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "sound/peak_estimator.h"
#include "sound/peak_limiter.h"
#include "sound/pitch_mapping.h"
#include "sound/sound_fixtures.h"
#include "sound/synth_controller.h"
#include "sound/synth_engine.h"

namespace kelvara::testing {
namespace {

constexpr double kAttackSkipSeconds = 0.2;

double expected_hz(float frequency) {
    return 440.0 * std::exp2((sound::frac_midi_note_for_freq(frequency) - 69.0) / 12.0);
}

// The largest error in cents over the tones of `chord` in `audio`.
double worst_cents(const std::vector<float>& chord, const std::vector<float>& audio) {
    const Spectrum spectrum(from_seconds(audio, 48000.0, kAttackSkipSeconds), 48000.0);
    double worst = 0.0;
    for (float frequency : chord) {
        const double want = expected_hz(frequency);
        worst = std::max(worst, std::abs(cents_between(spectrum.peak_frequency(want), want)));
    }
    return worst;
}

class ExactPitch : public ::testing::TestWithParam<std::string> {};

TEST_P(ExactPitch, EveryToneOfEveryChordSoundsAtItsFractionalPitch) {
    TestBanks banks;
    SynthController controller(0, offline_setup(GetParam() == "sf2" ? banks.sf2() : banks.dls()));
    ASSERT_TRUE(controller.load_default_bank());
    std::vector<float> twenty;
    for (int i = 0; i < 20; ++i)
        twenty.push_back(150.0f + 50.3f * float(i) + 0.37f * float(i * i % 7));
    const struct {
        std::vector<float> chord;
        float velocity;
        double seconds;
    } cases[] = {
        // 452.893 Hz is 69.4928, which whole-cent tuning would play 0.28 cent flat.
        {{440.0f, 452.893f, 550.0f}, 100.0f, 1.2},
        {{30.0f, 61.7f, 97.5f}, 100.0f, 2.2},
        {{233.3f, 1234.6f, 2718.3f, 4000.0f}, 100.0f, 1.0},
        {twenty, 40.0f, 1.2},
    };
    controller.set_midi_parameter(7, 60);  // keep twenty tones under the limiter's ceiling
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chord.size() == 20 ? "twenty tones" : std::to_string(c.chord[0]) + " Hz");
        const auto ids = controller.notes_on(c.chord, c.velocity);
        ASSERT_EQ(std::count(ids.begin(), ids.end(), SynthController::kNoNote), 0);
        const StereoBuffer audio = render_seconds(controller, c.seconds);
        controller.notes_off(ids);
        render_seconds(controller, 0.3);  // the release
        EXPECT_LT(worst_cents(c.chord, audio.left), 0.05);
        EXPECT_LT(controller.take_output_peak(), sound::PeakLimiter::kDefaultCeiling);
    }
}

INSTANTIATE_TEST_SUITE_P(Banks, ExactPitch, ::testing::Values("sf2", "dls"));

TEST(FluidSynthLoader, PlaysWholeCentsThroughKeyTuning) {
    TestBanks banks;
    auto engine = sound::SynthEngine::create(0, 48000.0, sound::BankLoaders::FluidSynthOnly);
    ASSERT_TRUE(engine);
    ASSERT_TRUE(engine->load_bank_file(banks.sf2()));
    engine->select_or_first({0, 0, 0});
    const std::vector<float> chord{440.0f, 452.893f, 550.0f};
    uint32_t id = 1;
    for (float f : chord)
        ASSERT_TRUE(engine->start_tone(id++, sound::frac_midi_note_for_freq(f), 100.0f));
    std::vector<float> left(48000 * 6 / 5), right(left.size());
    for (size_t done = 0; done < left.size(); done += 256)
        engine->render(&left[done], &right[done], int(std::min<size_t>(256, left.size() - done)));
    const double worst = worst_cents(chord, left);
    EXPECT_LE(worst, 0.51);
    EXPECT_GT(worst, 0.1);  // 550 Hz (72.8597) cannot be played exactly this way
}

}  // namespace
}  // namespace kelvara::testing
