// SynthController through the real FluidSynth, rendered offline: every tone sounds at its
// exact fractional pitch (generated SF2 and DLS banks), stopping a chord stops exactly its
// notes, each program item plays its own instrument, a refused bank leaves the one before
// playing, and a missing default bank file gives the generated bank.
#include "sound/synth_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sound/peak_estimator.h"
#include "sound/peak_limiter.h"
#include "sound/sound_fixtures.h"

namespace kelvara::testing {
namespace {

constexpr double kSoundingLevel = 0.005;
constexpr double kSilentLevel = 1e-5;

// The spectrum of `seconds` of what the controller plays now, after 0.2 s of attack.
Spectrum spectrum_of(SynthController& controller, double seconds) {
    render_seconds(controller, 0.2);
    return {render_seconds(controller, seconds).left, controller.sample_rate()};
}

std::vector<double> levels(SynthController& controller, const std::vector<float>& tones) {
    const Spectrum spectrum = spectrum_of(controller, 0.35);
    std::vector<double> out;
    for (float hz : tones) out.push_back(spectrum.amplitude_at(sounding_hz(hz)));
    return out;
}

class ExactPitch : public ::testing::TestWithParam<std::string> {};

TEST_P(ExactPitch, EveryToneOfEveryChordSoundsAtItsFractionalPitch) {
    TestBanks banks;
    SynthController controller(0, offline_setup(GetParam() == "sf2" ? banks.sf2() : banks.dls()));
    ASSERT_TRUE(controller.load_default_bank());
    const struct {
        std::vector<float> chord;
        double seconds;
    } cases[] = {
        // Fractions of a semitone that whole-cent tuning would miss by up to half a cent.
        {{30.0f, 61.7f, 97.5f}, 2.0},
        {{233.3f, 1234.6f, 2718.3f, 4000.0f}, 0.8},
    };
    for (const auto& c : cases) {
        const auto ids = controller.notes_on(c.chord, 100.0f);
        ASSERT_EQ(std::count(ids.begin(), ids.end(), SynthController::kNoNote), 0);
        const Spectrum spectrum = spectrum_of(controller, c.seconds);
        for (float hz : c.chord) {
            // The search starts 2 cents off, so a measurement that kept its guess would fail.
            const double found = spectrum.peak_frequency(sounding_hz(hz) * std::exp2(2.0 / 1200));
            EXPECT_NEAR(1200.0 * std::log2(found / sounding_hz(hz)), 0.0, 0.05) << hz << " Hz";
        }
        controller.notes_off(ids);
        render_seconds(controller, 0.3);  // the release
        EXPECT_LT(controller.take_output_peak(), sound::PeakLimiter::kDefaultCeiling);
    }
}

INSTANTIATE_TEST_SUITE_P(Banks, ExactPitch, ::testing::Values("sf2", "dls"));

using SynthControllerTest = SineBankTest;

// Tones that cannot sound (0 Hz, negative, NaN, infinite) keep their slot with kNoNote, and
// stopping the chord skips them and still stops every real note after them.
TEST_F(SynthControllerTest, TonesThatCannotSoundKeepTheirSlotWithAnIgnoredIdentifier) {
    const std::vector<float> first{440.0f, 0.0f, -5.0f, std::nanf(""), INFINITY, 550.0f};
    const auto first_ids = controller_.notes_on(first, 100.0f);
    const auto second_ids = controller_.notes_on({660.5f, 770.0f}, 100.0f);
    ASSERT_EQ(first_ids.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(first_ids[i] == SynthController::kNoNote, i >= 1 && i <= 4) << i;
    for (double level : levels(controller_, {440.0f, 550.0f, 660.5f, 770.0f}))
        EXPECT_GT(level, kSoundingLevel);

    controller_.notes_off(first_ids);
    render_seconds(controller_, 0.3);  // the release
    const auto after = levels(controller_, {440.0f, 550.0f, 660.5f, 770.0f});
    EXPECT_LT(std::max(after[0], after[1]), kSilentLevel);
    EXPECT_GT(std::min(after[2], after[3]), kSoundingLevel);
}

// Each item selects its bank and program: the "Octave" instruments sound an octave above.
TEST_F(SynthControllerTest, EachProgramItemPlaysItsOwnInstrument) {
    const struct {
        std::string bank;
        std::vector<ProgramItem> items;
    } cases[] = {
        {banks_.sf2(),
         {{"0 : Sine", 0x000000u},
          {"1 : Octave", 0x000001u},
          {"2 : Sine Bank1", 0x010005u},
          {"3 : Sine Drum", 0x780000u}}},
        {banks_.dls(),
         {{"0 : Sine A", 0x000000u}, {"1 : Octave B", 0x010205u}, {"2 : Drum Sine", 0x780000u}}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(controller_.load_bank(c.bank));
        controller_.stop();
        ASSERT_EQ(controller_.programs(), c.items);
        for (size_t i = 0; i < c.items.size(); ++i) {
            SCOPED_TRACE(c.items[i].title);
            controller_.select_instrument(int32_t(i));
            ASSERT_EQ(controller_.selected_instrument(), c.items[i].tag);
            EXPECT_EQ(controller_.midi_parameter(0), int(c.items[i].tag >> 16));  // bank MSB
            const auto ids = controller_.notes_on({440.0f}, 100.0f);
            const auto level = levels(controller_, {440.0f, 880.0f});
            controller_.notes_off(ids);
            render_seconds(controller_, 0.3);
            const bool octave = c.items[i].title.find("Octave") != std::string::npos;
            EXPECT_GT(level[octave ? 1 : 0], kSoundingLevel);
            EXPECT_LT(level[octave ? 0 : 1], kSilentLevel);
        }
    }
}

// A refused bank (noise, a cut-off SoundFont, a damaged one, no file, no name) leaves the graph
// playing as it was: its bank, program and volume, and says why without a word on the
// terminal. The default bank comes back on a new graph with the
// synthesizer's default volume, where a load that succeeds keeps the volume set.
TEST_F(SynthControllerTest, ARefusedBankLeavesTheGraphPlayingAsItWas) {
    controller_.set_midi_parameter(7, 33);
    ASSERT_TRUE(controller_.load_bank(banks_.dls()));
    EXPECT_EQ(controller_.midi_parameter(7), 33);
    controller_.select_instrument(1);
    const std::vector<ProgramItem> programs = controller_.programs();
    for (const std::string& bad : {banks_.garbage(), banks_.truncated_sf2(), banks_.damaged_sf2(),
                                   banks_.sf2() + ".missing", std::string()}) {
        ::testing::internal::CaptureStderr();
        const Result<void> loaded = controller_.load_bank(bad);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << bad;
        ASSERT_FALSE(loaded) << bad;
        EXPECT_FALSE(loaded.error().explanation().empty()) << bad;
        EXPECT_TRUE(controller_.is_running());
        EXPECT_EQ(controller_.programs(), programs);
        EXPECT_EQ(controller_.selected_instrument(), programs[1].tag);
        EXPECT_EQ(controller_.midi_parameter(7), 33);
    }
    controller_.reset_to_default_bank();
    EXPECT_TRUE(controller_.is_running());
    EXPECT_EQ(controller_.programs().size(), 4u);
    EXPECT_EQ(controller_.selected_instrument(), 0u);
    EXPECT_EQ(controller_.midi_parameter(7), 100);
}

TEST(SynthControllerDefaultBank, AMissingBankFileGivesTheGeneratedBank) {
    SynthController generated(0, offline_setup("/nonexistent/bank.sf2"));
    ASSERT_TRUE(generated.load_default_bank());
    generated.notes_on({440.0f}, 100.0f);
    EXPECT_GT(levels(generated, {440.0f})[0], kSoundingLevel);
}

}  // namespace
}  // namespace kelvara::testing
