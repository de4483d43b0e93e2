#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/engine_limits.h"

namespace kelvara {
namespace {

constexpr double kDefaultStep = static_cast<double>(0.005f);

TEST(CurveCapacity, IsTheCeilingOfThreeOverTheStepPlusOne) {
    EXPECT_EQ(curve_capacity_for_step(kDefaultStep), 602);
    EXPECT_EQ(curve_capacity_for_step(0.01), 301);
    EXPECT_EQ(curve_capacity_for_step(4.0), 2);
    EXPECT_EQ(curve_capacity_for_step(3.0 / (kMaxCurvePoints - 1)), kMaxCurvePoints);
    EXPECT_EQ(curve_capacity_for_step(smallest_step()), kMaxCurvePoints);
}

TEST(CurveCapacity, EveryRangeThreeWideFitsAtEveryStep) {
    // Both ends of a range exactly 3 wide are sampled: 1 to 4 at 0.001 takes 3001 samples.
    for (const float step :
         {0.001f, 0.0009f, 0.0005f, 0.0003f, 0.0002f, 0.01f, 0.37f, 3.0f, smallest_step()}) {
        const auto capacity = curve_capacity_for_step(step);
        ASSERT_TRUE(capacity) << step;
        EXPECT_TRUE(sample_count(1.0f, 4.0f, step, *capacity)) << step;
        EXPECT_TRUE(sample_count(0.001f, 3.001f, step, *capacity)) << step;
    }
}

TEST(CurveCapacity, RefusesStepsThatCannotBeSampled) {
    for (double step : {0.0, -0.005, std::nan(""), std::numeric_limits<double>::infinity(), 1e-9,
                        3.0 / (kMaxCurvePoints - 1) / 1.0001})
        EXPECT_FALSE(curve_capacity_for_step(step).has_value()) << step;
}

TEST(SampleCount, ReplaysTheSamplingLoop) {
    EXPECT_EQ(sample_count(1.0f, 2.0f, kDefaultStep, 601), 201);
    EXPECT_EQ(sample_count(1.5f, 1.5f, kDefaultStep, 601), 1);
    EXPECT_EQ(sample_count(2.0f, 1.0f, kDefaultStep, 601), 0);
    EXPECT_EQ(sample_count(std::nanf(""), 2.0f, kDefaultStep, 601), 0);
    EXPECT_EQ(sample_count(1.0f, 2.0f, kDefaultStep, 200), std::nullopt);
}

TEST(SampleCount, AStepTooSmallToMoveXIsRefusedNotLooped) {
    // 1e-9 is below half an ulp of 1000.0f: x would never move.
    EXPECT_EQ(sample_count(1000.0f, 1001.0f, 1e-9, kMaxCurvePoints), std::nullopt);
    EXPECT_EQ(sample_count(1.0f, std::numeric_limits<float>::infinity(), 0.5, 100), std::nullopt);
}

}  // namespace
}  // namespace kelvara
