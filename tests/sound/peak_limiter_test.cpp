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
    ASSERT_EQ(limiter.latency_frames(), 72);
    const auto left_in = sine(4800, 441.0, 0.85);
    const auto right_in = sine(4800, 663.0, 0.5);
    auto left = left_in, right = right_in;
    for (int start = 0; start < 4800; start += 100)  // in blocks, as the callback runs it
        limiter.process(left.data() + start, right.data() + start, 100);
    const int d = limiter.latency_frames();
    for (int i = 0; i < d; ++i) ASSERT_EQ(left[size_t(i)], 0.0f);
    for (size_t i = size_t(d); i < left.size(); ++i) {
        ASSERT_EQ(left[i], left_in[i - size_t(d)]) << i;
        ASSERT_EQ(right[i], right_in[i - size_t(d)]) << i;
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
    const size_t during = 10240 + size_t(limiter.latency_frames());
    EXPECT_LT(std::abs(right[during]), 0.2f * 0.25f);
    // Half a second later the gain is back: the quiet sine is intact again.
    float late_peak = 0.0f;
    for (size_t i = 40000; i < 48000; ++i) late_peak = std::max(late_peak, std::abs(left[i]));
    EXPECT_NEAR(late_peak, 0.2f, 1e-3f);
}

}  // namespace
}  // namespace kelvara::sound
