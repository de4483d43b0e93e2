// The engine below the controller: FluidSynth's own loaders as the comparison (and the path
// compressed SF3 banks take), and the bank numbering FluidSynth's own DLS reader uses.
#include "sound/synth_engine.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sound/peak_estimator.h"
#include "sound/pitch_mapping.h"
#include "sound/sound_fixtures.h"

namespace kelvara::sound {
namespace {

using testing::cents_between;
using testing::Spectrum;

std::vector<float> render(SynthEngine& engine, double seconds) {
    const int frames = int(seconds * engine.sample_rate());
    std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    for (int done = 0; done < frames; done += 256) {
        const int n = std::min(256, frames - done);
        engine.render(left.data() + done, right.data() + done, n);
    }
    return left;
}

TEST(SynthEngineFallback, FluidSynthsOwnLoaderPlaysWholeCentsThroughKeyTuning) {
    testing::TestBanks banks;
    auto engine = SynthEngine::create(0, 48000.0, BankLoaders::FluidSynthOnly);
    ASSERT_TRUE(engine);
    ASSERT_TRUE(engine->load_bank_file(banks.sf2()));
    engine->select_or_first({0, 0, 0});
    ASSERT_TRUE(engine->selected_instrument().has_value());
    const std::vector<float> chord{440.0f, 452.893f, 550.0f};
    uint32_t id = 1;
    for (float f : chord) ASSERT_TRUE(engine->start_tone(id++, frac_midi_note_for_freq(f), 100.0f));
    const auto signal = testing::from_seconds(render(*engine, 1.2), 48000.0, 0.2);
    const Spectrum spectrum(signal, 48000.0);
    double worst = 0.0;
    for (float f : chord) {
        const double want = 440.0 * std::exp2((frac_midi_note_for_freq(f) - 69.0) / 12.0);
        const double error = cents_between(spectrum.peak_frequency(want), want);
        EXPECT_LE(std::abs(error), 0.51) << f;
        worst = std::max(worst, std::abs(error));
    }
    // Whole cents only: 550 Hz (72.8597) cannot be played exactly this way.
    EXPECT_GT(worst, 0.1);
}

TEST(SynthEngineBanks, CorruptFilesAreRefusedByEveryLoader) {
    testing::TestBanks banks;
    for (auto loaders : {BankLoaders::ExactPitchFirst, BankLoaders::FluidSynthOnly}) {
        auto engine = SynthEngine::create(0, 48000.0, loaders);
        ASSERT_TRUE(engine);
        EXPECT_FALSE(engine->load_bank_file(banks.garbage()));
        EXPECT_FALSE(engine->load_bank_file(banks.truncated_sf2()));
        EXPECT_TRUE(engine->instruments().empty());
        // With no instrument nothing starts, and nothing breaks.
        engine->select_or_first({0, 0, 0});
        EXPECT_FALSE(engine->start_tone(1, 69.0f, 100.0f));
        render(*engine, 0.01);
    }
}

}  // namespace
}  // namespace kelvara::sound
