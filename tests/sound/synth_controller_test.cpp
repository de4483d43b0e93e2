// SynthController through the real FluidSynth, rendered offline: which notes a notes_off
// stops, the program lists of generated banks and what each item plays, refused banks, and
// a controller without a graph.
#include "sound/synth_controller.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sound/peak_estimator.h"
#include "sound/pitch_mapping.h"
#include "sound/sound_fixtures.h"

namespace kelvara::testing {
namespace {

constexpr double kSoundingLevel = 0.005;
constexpr double kSilentLevel = 1e-5;

// Levels of the given tones (at the pitch each sounds) over half a second, after a settle.
std::vector<double> levels(SynthController& controller, const std::vector<float>& tones) {
    const double rate = controller.sample_rate();
    const Spectrum spectrum(from_seconds(render_seconds(controller, 0.5).left, rate, 0.15), rate);
    std::vector<double> out;
    for (float f : tones)
        out.push_back(spectrum.amplitude_at(
            440.0 * std::exp2((double(sound::frac_midi_note_for_freq(f)) - 69.0) / 12.0)));
    return out;
}

class SynthControllerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(controller_.load_default_bank()); }

    TestBanks banks_;
    SynthController controller_{0, offline_setup(banks_.sf2())};
};

// Tones that cannot sound (0 Hz, negative, NaN, infinite) keep their slot with kNoNote, and
// stopping the chord skips them and still stops every real note after them.
TEST_F(SynthControllerTest, TonesThatCannotSoundKeepTheirSlotWithAnIgnoredIdentifier) {
    const std::vector<float> first{440.0f, 0.0f, -5.0f, std::nanf(""), INFINITY, 550.0f};
    const std::vector<float> second{660.5f, 770.0f};
    const auto first_ids = controller_.notes_on(first, 100.0f);
    const auto second_ids = controller_.notes_on(second, 100.0f);
    ASSERT_EQ(first_ids.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(first_ids[i] == SynthController::kNoNote, i >= 1 && i <= 4) << i;
    EXPECT_NE(first_ids[0], first_ids[5]);
    for (double level : levels(controller_, {440.0f, 550.0f, 660.5f, 770.0f}))
        EXPECT_GT(level, kSoundingLevel);

    controller_.notes_off(first_ids);
    render_seconds(controller_, 0.3);  // the release
    const auto after = levels(controller_, {440.0f, 550.0f, 660.5f, 770.0f});
    EXPECT_LT(std::max(after[0], after[1]), kSilentLevel);
    EXPECT_GT(std::min(after[2], after[3]), kSoundingLevel);
    EXPECT_TRUE(controller_.notes_on({}, 100.0f).empty());
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
        controller_.select_instrument(-1);  // no selection, and indexes past the list: nothing
        controller_.select_instrument(99);
        EXPECT_EQ(controller_.selected_instrument(), c.items.back().tag);
    }
}

TEST_F(SynthControllerTest, ARefusedBankFallsBackToTheDefaultOnANewGraph) {
    ASSERT_TRUE(controller_.load_bank(banks_.dls()));
    for (const std::string& bad :
         {banks_.garbage(), banks_.truncated_sf2(), banks_.sf2() + ".missing", std::string()}) {
        EXPECT_FALSE(controller_.load_bank(bad)) << bad;
        EXPECT_FALSE(controller_.is_running());
        controller_.reset_to_default_bank();
        EXPECT_TRUE(controller_.is_running());
        EXPECT_EQ(controller_.programs().size(), 4u);
        EXPECT_EQ(controller_.selected_instrument(), 0u);
    }
}

TEST_F(SynthControllerTest, ControllerValuesAreLimitedAndALoadKeepsTheVolume) {
    controller_.set_midi_parameter(7, 200);
    EXPECT_EQ(controller_.midi_parameter(7), 127);
    controller_.set_midi_parameter(7, 33);
    controller_.set_midi_parameter(0xFFFFFFFFu, 1);  // not a controller: harmless
    ASSERT_TRUE(controller_.load_bank(banks_.dls()));
    EXPECT_EQ(controller_.midi_parameter(7), 33);
    controller_.reset_to_default_bank();  // a reset starts from the synthesizer's defaults
    EXPECT_EQ(controller_.midi_parameter(7), 100);
}

TEST(SynthControllerDefaultBank, AMissingBankFileGivesTheGeneratedBankAndNoneGivesNoGraph) {
    SynthController generated(0, offline_setup("/nonexistent/bank.sf2"));
    ASSERT_TRUE(generated.load_default_bank());
    EXPECT_EQ(generated.programs().at(0).title, "0 : Sine");
    generated.notes_on({440.0f}, 100.0f);
    EXPECT_GT(levels(generated, {440.0f})[0], kSoundingLevel);

    SynthController without_graph(0, offline_setup(""));  // every operation is harmless
    EXPECT_TRUE(without_graph.notes_on({440.0f}, 100.0f).empty());
    without_graph.notes_off({1, 2, 3});
    without_graph.set_midi_parameter(7, 100);
    without_graph.start();
    EXPECT_FALSE(without_graph.is_running());
    without_graph.play_test();  // returns at once: nothing to play through
    without_graph.select_instrument(0);
    EXPECT_TRUE(without_graph.programs().empty());
    EXPECT_FALSE(without_graph.render_offline(64).has_value());
}

}  // namespace
}  // namespace kelvara::testing
