// The limiter on a known signal: transparent below the ceiling (the input delayed by the
// look-ahead, in blocks as the callback runs it), and for a burst, a single huge sample and
// a broken one never above the ceiling, stereo-linked, with a smooth release.
#include "sound/peak_limiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace kelvara::sound {
namespace {

TEST(PeakLimiter, BurstsNeverExceedTheCeilingAndTheGainRecovers) {
    const auto sine = [](double hz, double amplitude) {
        std::vector<float> out(48000);
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = float(amplitude * std::sin(2.0 * std::numbers::pi * hz * double(i) / 48000.0));
        return out;
    };
    const std::vector<float> left_in = sine(300.0, 0.8), right_in = sine(450.0, 0.5);
    auto left = left_in, right = right_in;
    for (size_t i = 10000; i < 10480; ++i) left[i] *= 5.0f;  // a 10 ms burst of 4.0
    right[20000] = 1000.0f;                                  // a single huge sample
    right[20001] = std::nanf("");                            // and a broken one
    PeakLimiter limiter(48000.0);
    for (size_t start = 0; start < left.size(); start += 100)
        limiter.process(&left[start], &right[start], 100);

    const auto delay = size_t(limiter.latency_frames());
    ASSERT_EQ(delay, 72u);  // the 1.5 ms look-ahead
    for (size_t i = 0; i < 10000; ++i) {
        ASSERT_EQ(left[i], i < delay ? 0.0f : left_in[i - delay]) << i;
        ASSERT_EQ(right[i], i < delay ? 0.0f : right_in[i - delay]) << i;
    }
    float peak = 0.0f;
    for (size_t i = 0; i < left.size(); ++i) {
        ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i])) << i;
        peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    }
    EXPECT_LE(peak, limiter.ceiling());
    EXPECT_GT(peak, 0.85f);  // the burst is limited, not muted
    // Stereo-linked: while the burst is limited, the quiet channel is turned down with it.
    const size_t burst_out = 10000 + delay;
    EXPECT_LT(std::abs(right[burst_out + 240]), 0.5f * 0.25f);
    float left_at_spike = 0.0f;  // and the other way: the huge sample turns the left down
    for (size_t i = 20000 + delay; i < 20010 + delay; ++i)
        left_at_spike = std::max(left_at_spike, std::abs(left[i]));
    EXPECT_LT(left_at_spike, 0.01f);
    // After the burst the gain (0.22 during it) returns with the 80 ms release: the sine of
    // 0.8 comes back gradually, not at once.
    const struct {
        size_t from_ms, to_ms;
        float low, high;
    } recovery[] = {{15, 25, 0.16f, 0.4f}, {90, 110, 0.48f, 0.72f}, {600, 780, 0.796f, 0.804f}};
    for (const auto& r : recovery) {
        float level = 0.0f;
        for (size_t i = burst_out + 480 + r.from_ms * 48; i < burst_out + 480 + r.to_ms * 48; ++i)
            level = std::max(level, std::abs(left[i]));
        EXPECT_GE(level, r.low) << r.from_ms << " ms after the burst";
        EXPECT_LE(level, r.high) << r.from_ms << " ms after the burst";
    }
}

}  // namespace
}  // namespace kelvara::sound
