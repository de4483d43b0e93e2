// The held-note measurement that pitch-true playback is judged by: a tone's cents per window,
// read as a spectrum analyser reads them, on sines whose frequency is known exactly.
#include "engine/held_pitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace kelvara {
namespace {

constexpr double kRate = 48000.0;

// Two seconds of 196 Hz, one cent sharp, then a second of 220 Hz, with a neighbour 24 Hz away
// throughout: each window reads its own tone, unmoved by the other.
std::vector<float> two_part_tone() {
    std::vector<float> audio(size_t(3 * kRate));
    double phase = 0.0;
    for (size_t n = 0; n < audio.size(); ++n) {
        const double hz = n < size_t(2 * kRate) ? 196.0 * std::exp2(1.0 / 1200.0) : 220.0;
        phase += 2.0 * std::numbers::pi * hz / kRate;
        audio[n] = float(0.3 * std::sin(phase) +
                         0.1 * std::sin(2.0 * std::numbers::pi * 244.0 * double(n) / kRate));
    }
    return audio;
}

TEST(HeldPitch, ReadsEachWindowsToneToAHundredthOfACent) {
    const std::vector<float> audio = two_part_tone();
    const std::vector<double> tones = {196.0, 220.0};
    const std::vector<HeldWindow> windows = {{0.05, 0.35}, {0.5, 2.0}, {2.0, 3.0}, {3.0, 4.0}};
    const auto cents = held_pitch_cents(audio, kRate, tones, windows);
    ASSERT_EQ(cents.size(), windows.size());
    EXPECT_NEAR(cents[0][0], 1.0, 0.05);  // 0.3 s: a coarser read, still near
    EXPECT_NEAR(cents[1][0], 1.0, 0.01);
    EXPECT_NEAR(cents[2][1], 0.0, 0.01);
    EXPECT_TRUE(std::isnan(cents[3][0]));  // past the end
}

}  // namespace
}  // namespace kelvara
