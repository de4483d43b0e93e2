// The limiter on known signals: transparent below the ceiling, and for bursts, single huge
// samples and broken ones never above it, stereo-linked, with a smooth release.
#include "sound/peak_limiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace kelvara::sound {
namespace {

constexpr double kRate = 48000.0;

std::vector<float> sine(int frames, double hz, double amplitude) {
    std::vector<float> out(size_t(frames), 0.0f);
    for (int i = 0; i < frames; ++i)
        out[size_t(i)] = float(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / kRate));
    return out;
}

TEST(PeakLimiter, BelowTheCeilingTheOutputIsTheDelayedInput) {
    PeakLimiter limiter(kRate);
    const auto left_in = sine(4800, 441.0, 0.85), right_in = sine(4800, 663.0, 0.5);
    auto left = left_in, right = right_in;
    for (int start = 0; start < 4800; start += 100)  // in blocks, as the callback runs it
        limiter.process(left.data() + start, right.data() + start, 100);
    const auto d = size_t(limiter.latency_frames());
    ASSERT_EQ(d, 72u);  // the 1.5 ms look-ahead
    for (size_t i = 0; i < left.size(); ++i) {
        ASSERT_EQ(left[i], i < d ? 0.0f : left_in[i - d]) << i;
        ASSERT_EQ(right[i], i < d ? 0.0f : right_in[i - d]) << i;
    }
}

TEST(PeakLimiter, BurstsNeverExceedTheCeilingAndTheGainRecovers) {
    PeakLimiter limiter(kRate);
    auto left = sine(48000, 300.0, 0.2);
    auto right = sine(48000, 300.0, 0.2);
    for (int i = 10000; i < 10480; ++i) left[size_t(i)] *= 20.0f;  // a 10 ms burst of 4.0
    right[20000] = 1000.0f;                                        // a single huge sample
    right[20001] = std::nanf("");                                  // and a broken one
    limiter.process(left.data(), right.data(), 48000);
    float peak = 0.0f;
    for (size_t i = 0; i < left.size(); ++i) {
        ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i])) << i;
        peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    }
    EXPECT_LE(peak, limiter.ceiling());
    EXPECT_GT(peak, 0.85f);  // the burst is limited, not muted
    // Stereo-linked: while the burst is limited, the quiet channel is turned down with it.
    const size_t burst_out = 10000 + size_t(limiter.latency_frames());
    EXPECT_LT(std::abs(right[burst_out + 240]), 0.2f * 0.25f);
    // After the burst the gain (0.22 during it) returns with the 80 ms release: the quiet
    // sine of 0.2 comes back gradually, not at once.
    const struct {
        int from_ms, to_ms;
        float low, high;
    } recovery[] = {{15, 25, 0.04f, 0.1f}, {90, 110, 0.12f, 0.18f}, {600, 780, 0.199f, 0.201f}};
    for (const auto& r : recovery) {
        float level = 0.0f;
        for (size_t i = burst_out + 480 + size_t(r.from_ms * 48);
             i < burst_out + 480 + size_t(r.to_ms * 48); ++i)
            level = std::max(level, std::abs(left[i]));
        EXPECT_GE(level, r.low) << r.from_ms << " ms after the burst";
        EXPECT_LE(level, r.high) << r.from_ms << " ms after the burst";
    }
}

}  // namespace
}  // namespace kelvara::sound
