// SynthController through the real FluidSynth (offline render or the null output).
#include "sound/synth_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "sound/peak_estimator.h"
#include "sound/pitch_mapping.h"
#include "sound/sound_fixtures.h"

namespace kelvara::testing {
namespace {

constexpr double kSoundingLevel = 0.005;
constexpr double kSilentLevel = 1e-5;

double sounding_hz(float frequency) {
    return 440.0 * std::exp2((double(sound::frac_midi_note_for_freq(frequency)) - 69.0) / 12.0);
}

class SynthControllerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(controller_.load_default_bank()); }

    // Levels of the given tones over `seconds` of offline rendering (after a short settle).
    std::vector<double> levels(const std::vector<float>& tones, double seconds = 0.5) {
        const StereoBuffer audio = render_seconds(controller_, seconds);
        const double rate = controller_.sample_rate();
        const Spectrum spectrum(from_seconds(audio.left, rate, 0.15), rate);
        std::vector<double> out;
        for (float f : tones) out.push_back(spectrum.amplitude_at(sounding_hz(f)));
        return out;
    }

    std::vector<std::string> titles() const {
        const std::vector<ProgramItem> items = controller_.programs();
        std::vector<std::string> out;
        for (const auto& item : items) out.push_back(item.title);
        return out;
    }

    TestBanks banks_;
    SynthController controller_{0, offline_setup(banks_.sf2())};
};

TEST_F(SynthControllerTest, NotesOffStopsExactlyTheNotesOfItsChord) {
    const std::vector<float> first{440.0f, 550.0f}, second{660.5f, 770.0f};
    const auto first_ids = controller_.notes_on(first, 100.0f);
    const auto second_ids = controller_.notes_on(second, 100.0f);
    ASSERT_EQ(first_ids.size(), 2u);
    ASSERT_EQ(second_ids.size(), 2u);
    for (double level : levels({440.0f, 550.0f, 660.5f, 770.0f})) EXPECT_GT(level, kSoundingLevel);

    controller_.notes_off(first_ids);
    render_seconds(controller_, 0.3);  // the release
    const auto after = levels({440.0f, 550.0f, 660.5f, 770.0f});
    EXPECT_LT(after[0], kSilentLevel);
    EXPECT_LT(after[1], kSilentLevel);
    EXPECT_GT(after[2], kSoundingLevel);
    EXPECT_GT(after[3], kSoundingLevel);
}

TEST_F(SynthControllerTest, SustainPedalHoldsStoppedNotesUntilReleased) {
    controller_.set_midi_parameter(64, 127);
    const auto ids = controller_.notes_on({440.0f}, 100.0f);
    render_seconds(controller_, 0.1);
    controller_.notes_off(ids);
    render_seconds(controller_, 0.3);
    EXPECT_GT(levels({440.0f})[0], kSoundingLevel);
    controller_.set_midi_parameter(64, 0);
    render_seconds(controller_, 0.3);
    EXPECT_LT(levels({440.0f})[0], kSilentLevel);
}

TEST_F(SynthControllerTest, TonesThatCannotSoundKeepTheirSlotWithAnIgnoredIdentifier) {
    const std::vector<float> chord{440.0f, 0.0f, -5.0f, std::nanf(""), INFINITY, 550.0f};
    const auto ids = controller_.notes_on(chord, 100.0f);
    ASSERT_EQ(ids.size(), chord.size());
    EXPECT_NE(ids[0], SynthController::kNoNote);
    for (size_t i = 1; i <= 4; ++i) EXPECT_EQ(ids[i], SynthController::kNoNote) << i;
    EXPECT_NE(ids[5], SynthController::kNoNote);
    EXPECT_NE(ids[0], ids[5]);
    // Stopping the whole list stops the real notes and ignores the placeholders.
    controller_.notes_off(ids);
    render_seconds(controller_, 0.3);
    for (double level : levels({440.0f, 550.0f})) EXPECT_LT(level, kSilentLevel);
    EXPECT_TRUE(controller_.notes_on({}, 100.0f).empty());
}

TEST_F(SynthControllerTest, ControllerValuesAreLimitedTo127) {
    controller_.set_midi_parameter(7, 200);
    EXPECT_EQ(controller_.midi_parameter(7), 127);
    controller_.set_midi_parameter(7, 64);
    EXPECT_EQ(controller_.midi_parameter(7), 64);
    controller_.set_midi_parameter(0xFFFFFFFFu, 1);  // not a controller: harmless
    EXPECT_EQ(controller_.midi_parameter(7), 64);
    controller_.change_bank(1);
    EXPECT_EQ(controller_.midi_parameter(0), 1);
}

TEST_F(SynthControllerTest, ProgramListOfTheGeneratedSf2) {
    const std::vector<ProgramItem> items = controller_.programs();
    const std::vector<ProgramItem> expected{{"0 : Sine", 0x000000u},
                                            {"1 : Octave", 0x000001u},
                                            {"2 : Sine Bank1", 0x010005u},
                                            {"3 : Sine Drum", 0x780000u}};
    EXPECT_EQ(items, expected);
}

TEST_F(SynthControllerTest, ProgramListOfTheGeneratedDls) {
    ASSERT_TRUE(controller_.load_bank(banks_.dls()));
    const std::vector<ProgramItem> items = controller_.programs();
    const std::vector<ProgramItem> expected{
        {"0 : Sine A", 0x000000u}, {"1 : Octave B", 0x010205u}, {"2 : Drum Sine", 0x780000u}};
    EXPECT_EQ(items, expected);
}

TEST_F(SynthControllerTest, SelectingEachItemPlaysThatPreset) {
    for (const std::string& bank : {banks_.sf2(), banks_.dls()}) {
        ASSERT_TRUE(controller_.load_bank(bank));
        controller_.stop();
        const std::vector<ProgramItem> items = controller_.programs();
        for (size_t i = 0; i < items.size(); ++i) {
            controller_.select_instrument(int32_t(i));
            ASSERT_EQ(controller_.selected_instrument(), items[i].tag) << items[i].title;
            const auto ids = controller_.notes_on({440.0f}, 100.0f);
            const auto level = levels({440.0f, 880.0f});
            controller_.notes_off(ids);
            render_seconds(controller_, 0.3);
            const bool octave = items[i].title.find("Octave") != std::string::npos;
            EXPECT_GT(level[octave ? 1 : 0], kSoundingLevel) << items[i].title;
            EXPECT_LT(level[octave ? 0 : 1], kSilentLevel) << items[i].title;
        }
    }
}

TEST_F(SynthControllerTest, IdentifierBitsSelectBankAndProgram) {
    // Item 2 is 0x00010005: CC 0 = 1, CC 32 = 0, program 5.
    controller_.select_instrument(2);
    EXPECT_EQ(controller_.selected_instrument(), 0x00010005u);
    EXPECT_EQ(controller_.midi_parameter(0), 1);
    EXPECT_EQ(controller_.midi_parameter(32), 0);
    // No selection (-1) and indexes past the list send nothing.
    controller_.select_instrument(-1);
    controller_.select_instrument(99);
    EXPECT_EQ(controller_.selected_instrument(), 0x00010005u);
    controller_.select_instrument(1);
    EXPECT_EQ(controller_.selected_instrument(), 0x000001u);
}

TEST_F(SynthControllerTest, RefusedBankFallsBackToTheDefaultOnANewGraph) {
    ASSERT_TRUE(controller_.load_bank(banks_.dls()));
    ASSERT_EQ(titles().size(), 3u);
    for (const std::string& bad :
         {banks_.garbage(), banks_.truncated_sf2(), banks_.sf2() + ".missing", std::string()}) {
        EXPECT_FALSE(controller_.load_bank(bad)) << bad;
        EXPECT_FALSE(controller_.is_running());
        controller_.reset_to_default_bank();
        EXPECT_TRUE(controller_.is_running());
        EXPECT_EQ(titles().front(), "0 : Sine");
        EXPECT_EQ(titles().size(), 4u);
        EXPECT_EQ(controller_.selected_instrument(), 0u);
    }
}

TEST_F(SynthControllerTest, ALoadKeepsTheChannelVolume) {
    controller_.set_midi_parameter(7, 33);
    ASSERT_TRUE(controller_.load_bank(banks_.dls()));
    EXPECT_EQ(controller_.midi_parameter(7), 33);
    controller_.reset_to_default_bank();  // a reset starts from the synthesizer's defaults
    EXPECT_EQ(controller_.midi_parameter(7), 100);
}

TEST(SynthControllerWithoutGraph, EveryOperationIsHarmless) {
    SynthController controller(0, offline_setup(""));
    EXPECT_FALSE(controller.is_running());
    EXPECT_TRUE(controller.notes_on({440.0f}, 100.0f).empty());
    controller.notes_off({1, 2, 3});
    controller.set_midi_parameter(7, 100);
    controller.start();
    controller.stop();
    controller.play_test();  // returns at once: nothing to play through
    controller.select_instrument(0);
    const std::vector<ProgramItem> items = controller.programs();
    EXPECT_TRUE(items.empty());
    EXPECT_FALSE(controller.render_offline(64).has_value());
}

TEST(SynthControllerDefaultBank, GeneratedBankWhenTheConfiguredOneIsMissing) {
    SynthController controller(0, offline_setup("/nonexistent/bank.sf2"));
    ASSERT_TRUE(controller.load_default_bank());
    const std::vector<ProgramItem> items = controller.programs();
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.front().title, "0 : Sine");
    const auto ids = controller.notes_on({440.0f}, 100.0f);
    const auto audio = render_seconds(controller, 0.5);
    const Spectrum spectrum(from_seconds(audio.left, controller.sample_rate(), 0.15),
                            controller.sample_rate());
    EXPECT_GT(spectrum.amplitude_at(440.0), kSoundingLevel);
    controller.notes_off(ids);
}

TEST(SynthControllerOutput, WithoutADeviceTheNullOutputKeepsRendering) {
    TestBanks banks;
    SoundSetup setup = offline_setup(banks.sf2());
    setup.backend = "alsa";  // there is no sound card here
    SynthController controller(0, setup);
    ASSERT_TRUE(controller.load_default_bank());
    controller.start();
    ASSERT_TRUE(controller.is_running());
    EXPECT_EQ(controller.audio_backend(), "null");
    const auto ids = controller.notes_on({440.0f, 550.0f}, 100.0f);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_GT(controller.rendered_frames(), uint64_t(0.1 * controller.sample_rate()));
    EXPECT_GT(controller.take_output_peak(), 0.01f);
    controller.notes_off(ids);
    controller.stop();
    EXPECT_FALSE(controller.is_running());
    EXPECT_FALSE(controller.audio_backend().size());
}

}  // namespace
}  // namespace kelvara::testing
