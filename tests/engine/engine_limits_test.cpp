// The curve's capacity for a step and the sampling loop's count, replayed exactly: a range 3
// wide always fits, and a step that cannot be sampled or would never move x is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/engine_limits.h"

namespace kelvara {
namespace {

constexpr double kDefaultStep = static_cast<double>(0.005f);

TEST(CurveCapacity, IsTheCeilingOfThreeOverTheStepPlusOneAndFitsEveryRangeThreeWide) {
    const std::pair<double, int32_t> capacities[] = {
        {kDefaultStep, 602}, {0.01, 301}, {4.0, 2}, {smallest_step(), kMaxCurvePoints}};
    for (const auto& [step, capacity] : capacities)
        EXPECT_EQ(curve_capacity_for_step(step), capacity);
    for (const double step :
         {3.0 / (kMaxCurvePoints - 1) / 1.0001, 1e-9, 0.0, -0.005, std::nan(""), HUGE_VAL})
        EXPECT_FALSE(curve_capacity_for_step(step)) << step;
    // Both ends of a range exactly 3 wide are sampled: 1 to 4 at 0.001 takes 3001 samples.
    for (const float step : {0.001f, 0.0009f, 0.0003f, 0.37f, 3.0f, smallest_step()}) {
        const int32_t capacity = *curve_capacity_for_step(step);
        EXPECT_TRUE(sample_count(1.0f, 4.0f, step, capacity)) << step;
        EXPECT_TRUE(sample_count(0.001f, 3.001f, step, capacity)) << step;
    }
}

TEST(SampleCount, ReplaysTheSamplingLoopAndRefusesOneThatWouldNotEnd) {
    const struct {
        float x_min, x_max;
        double step;
        int32_t capacity;
        std::optional<int32_t> count;
    } cases[] = {
        {1.0f, 2.0f, kDefaultStep, 201, 201},
        {1.0f, 2.0f, kDefaultStep, 200, std::nullopt},
        {1.5f, 1.5f, kDefaultStep, 601, 1},
        {2.0f, 1.0f, kDefaultStep, 601, 0},
        {std::nanf(""), 2.0f, kDefaultStep, 601, 0},
        {1000.0f, 1001.0f, 1e-9, kMaxCurvePoints, std::nullopt},  // below half an ulp of 1000
        {1.0f, std::numeric_limits<float>::infinity(), 0.5, 100, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sample_count(c.x_min, c.x_max, c.step, c.capacity), c.count)
            << c.x_min << " " << c.x_max << " " << c.step;
}

}  // namespace
}  // namespace kelvara
