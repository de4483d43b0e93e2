// Exact fractional pitch through the real FluidSynth: every tone is rendered offline at
// 440·2^((p−69)/12) for the pitch p it was given, with the generated SF2 and DLS banks.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "sound/peak_estimator.h"
#include "sound/pitch_mapping.h"
#include "sound/sound_fixtures.h"
#include "sound/synth_controller.h"

namespace kelvara::testing {
namespace {

constexpr double kToleranceCents = 0.05;
constexpr double kAttackSkipSeconds = 0.2;

double expected_hz(float frequency) {
    const double pitch = sound::frac_midi_note_for_freq(frequency);
    return 440.0 * std::exp2((pitch - 69.0) / 12.0);
}

TEST(PeakEstimator, FindsASyntheticSineFarBelowACent) {
    const double rate = 48000.0, hz = 452.893;
    std::vector<float> signal(48000);
    for (size_t i = 0; i < signal.size(); ++i)
        signal[i] = float(0.3 * std::sin(2.0 * std::numbers::pi * hz * double(i) / rate));
    const Spectrum spectrum(signal, rate);
    EXPECT_NEAR(cents_between(spectrum.peak_frequency(452.0), hz), 0.0, 0.001);
    EXPECT_NEAR(spectrum.amplitude_at(hz), 0.3, 0.003);
}

// Runs against the generated SF2 and the generated DLS.
class ExactPitch : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        const std::string& bank = GetParam() == "sf2" ? banks_.sf2() : banks_.dls();
        controller_ = std::make_unique<SynthController>(0, offline_setup(bank));
        ASSERT_TRUE(controller_->load_default_bank());
        const std::vector<ProgramItem> items = controller_->programs();
        ASSERT_FALSE(items.empty());
        ASSERT_EQ(controller_->selected_instrument(), items.front().tag);
    }

    // Holds the chord for `seconds`, then checks every tone's frequency and releases it.
    void expect_exact(const std::vector<float>& chord, float velocity, double seconds = 1.2) {
        const auto ids = controller_->notes_on(chord, velocity);
        ASSERT_EQ(ids.size(), chord.size());
        for (int32_t id : ids) ASSERT_NE(id, SynthController::kNoNote);
        const StereoBuffer audio = render_seconds(*controller_, seconds);
        controller_->notes_off(ids);
        render_seconds(*controller_, 0.3);  // release tail
        const double rate = controller_->sample_rate();
        const Spectrum spectrum(from_seconds(audio.left, rate, kAttackSkipSeconds), rate);
        for (float frequency : chord) {
            const double want = expected_hz(frequency);
            EXPECT_NEAR(cents_between(spectrum.peak_frequency(want), want), 0.0, kToleranceCents)
                << GetParam() << ": " << frequency << " Hz should sound at " << want << " Hz";
        }
    }

    TestBanks banks_;
    std::unique_ptr<SynthController> controller_;
};

TEST_P(ExactPitch, QuarterToneChordPlaysEachFractionalPitch) {
    // 452.893 Hz is 69.4928, which whole-cent synthesis would play 0.28 cent flat.
    expect_exact({440.0f, 452.893f, 550.0f}, 100.0f);
    expect_exact({float(440.0 * std::exp2(0.4928 / 12.0))}, 100.0f);
}

TEST_P(ExactPitch, SingleTonesFrom30HzTo4kHz) {
    for (float hz : {30.0f, 61.7f, 97.5f, 233.3f, 1234.6f, 2718.3f, 4000.0f})
        expect_exact({hz}, 100.0f, hz < 100.0f ? 2.2 : 1.0);
}

TEST_P(ExactPitch, TwentyTonesHeldAtOnce) {
    std::vector<float> chord;
    for (int i = 0; i < 20; ++i)
        chord.push_back(150.0f + 50.3f * float(i) + 0.37f * float(i * i % 7));
    controller_->set_midi_parameter(7, 60);  // keep the sum under the limiter's ceiling
    expect_exact(chord, 40.0f);
    EXPECT_LT(controller_->take_output_peak(), 0.891f);
}

INSTANTIATE_TEST_SUITE_P(Banks, ExactPitch, ::testing::Values("sf2", "dls"));

}  // namespace
}  // namespace kelvara::testing
