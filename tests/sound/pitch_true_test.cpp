// Pitch-true playback through the real synthesizer: banks whose tuning is off by a known amount
// render at the pitch asked for, measured in the rendered audio; the bank's own tuning stays
// one switch away; and the default General MIDI bank renders A4 at 440 Hz.
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
    std::vector<double> pitch_true_cents;  // each zone's tone against A4, with pitch-true
    std::vector<double> bank_cents;        // the same with the bank's own tuning
};

class PitchTrue : public ::testing::Test {
protected:
    static std::vector<RenderCase> cases() {
        using T = TestTone;
        return {
            {{"correction +17", 0, {{T::Sine440, 69, 17}}}, {0.0}, {17.0}},
            {{"root +1, corr +85", 1, {{T::Sine440, 70, 85}}}, {0.0}, {-15.0}},
            // Two tones 14 cents apart need a long stretch to be told apart.
            {{"detuned pair", 2, {{T::Sine440, 69, 10, -7}, {T::Sine440, 69, 10, 7}}},
             {-7.0, 7.0},
             {3.0, 17.0}},
        };
    }

    PitchTrue() : folder_(presets()) {}

    static std::vector<TestPreset> presets() {
        std::vector<TestPreset> presets;
        for (const auto& c : cases()) presets.push_back(c.preset);
        return presets;
    }

    std::unique_ptr<SynthController> controller(bool pitch_true) const {
        SoundSetup setup = offline_setup(folder_.bank());
        setup.pitch_true = pitch_true;
        setup.bank_tuning_cache = folder_.cache();
        auto c = std::make_unique<SynthController>(0, setup);
        if (!c->load_default_bank()) ADD_FAILURE() << "no synthesizer";
        return c;
    }

    void expect_tones(SynthController& c, const std::vector<double>& cents, const char* name) {
        std::vector<double> near;
        for (double ct : cents) near.push_back(detuned(ct));
        const auto found = render_a4(c, near, cents.size() > 1 ? 2.5 : 1.0);
        for (size_t i = 0; i < cents.size(); ++i)
            EXPECT_NEAR(cents_between(found[i], kA4), cents[i], 0.1) << name << " tone " << i;
    }

    TuningTestFolder folder_;
};

TEST_F(PitchTrue, BanksOffByKnownCentsPlayInTuneKeepingDeliberateDetuning) {
    auto pitch_true = controller(true);
    ASSERT_TRUE(pitch_true->wait_for_bank_tuning());
    auto own_tuning = controller(false);
    EXPECT_FALSE(own_tuning->wait_for_bank_tuning());
    const auto all = cases();
    for (size_t i = 0; i < all.size(); ++i) {
        pitch_true->select_instrument(int32_t(i));
        expect_tones(*pitch_true, all[i].pitch_true_cents, all[i].preset.name.c_str());
        own_tuning->select_instrument(int32_t(i));
        expect_tones(*own_tuning, all[i].bank_cents, all[i].preset.name.c_str());
    }
}

TEST_F(PitchTrue, SwitchingAppliesToTheNextNotes) {
    auto c = controller(true);
    ASSERT_TRUE(c->wait_for_bank_tuning());
    expect_tones(*c, {0.0}, "pitch-true");
    c->set_pitch_true(false);
    EXPECT_FALSE(c->pitch_true());
    expect_tones(*c, {17.0}, "the bank's own tuning");
    c->set_pitch_true(true);
    expect_tones(*c, {0.0}, "pitch-true again");
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
    ASSERT_TRUE(c.wait_for_bank_tuning(std::chrono::seconds(30)));
    for (int program : {0, 11, 19, 24, 40, 73}) {
        c.select_instrument(program);
        const double hz = render_a4(c, {kA4}, 1.0)[0];
        EXPECT_NEAR(cents_between(hz, kA4), 0.0, 0.5) << "program " << program;
    }
}

}  // namespace
}  // namespace kelvara::testing
