// Axis ticks, tick labels, the cents axis and the zoom and pan of a span on it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/axis_ticks.h"
#include "engine/ratio_axis.h"

namespace kelvara {
namespace {

bool is_one_two_five(double step) {
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    return std::fabs(mantissa - 1.0) < 1e-9 || std::fabs(mantissa - 2.0) < 1e-9 ||
           std::fabs(mantissa - 5.0) < 1e-9;
}

// The ranges a graph meets: fitted dissonances, ratio ranges, cents, tiny and huge spans,
// negative slopes; every one with a few tick counts.
TEST(AxisTicks, RoundStepsWithinTheRangeAtMostAsManyAsAsked) {
    struct Case {
        double min, max;
    };
    const Case cases[] = {{0.0, 0.36},   {1.0, 3.9975},   {0.137, 0.2311}, {-12.5, 40.0},
                          {0.0, 2400.0}, {1.0e-3, 1.0e3}, {-3e-7, 2e-7}};
    for (const Case& c : cases)
        for (const int count : {2, 3, 5, 8, 13, 40}) {
            const AxisTicks t = nice_ticks(c.min, c.max, count);
            SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " count " << count);
            ASSERT_GE(t.values.size(), 1u);
            EXPECT_LE(static_cast<int>(t.values.size()), count);
            EXPECT_TRUE(is_one_two_five(t.step)) << t.step;
            for (size_t i = 0; i < t.values.size(); ++i) {
                const double v = t.values[i];
                EXPECT_GE(v, c.min - t.step * 1e-6);
                EXPECT_LE(v, c.max + t.step * 1e-6);
                // A whole multiple of the step, and its label reads back to it exactly.
                EXPECT_NEAR(v / t.step, std::round(v / t.step), 1e-6);
                EXPECT_EQ(std::stod(tick_label(v, t.decimals)), v);
                if (i > 0) {
                    EXPECT_NEAR(v - t.values[i - 1], t.step, t.step * 1e-6);
                }
            }
            // Not much coarser than asked: at most two round sizes above span / count.
            EXPECT_LE(t.step, 6.25 * (c.max - c.min) / count);
        }
}

TEST(AxisTicks, KnownAxes) {
    const AxisTicks dissonance = nice_ticks(0.0, 0.36, 5);
    EXPECT_EQ(dissonance.values, (std::vector<double>{0.0, 0.1, 0.2, 0.3}));
    EXPECT_EQ(tick_label(dissonance.values[3], dissonance.decimals), "0.3");
    const AxisTicks cents = nice_ticks(0.0, 1200.0, 13);
    EXPECT_EQ(tick_label(cents.values.back(), cents.decimals), "1200");
    EXPECT_EQ(tick_label(-0.0001, 2), "0.00");
    EXPECT_EQ(tick_label(-0.25, 2), "-0.25");
}

TEST(AxisTicks, RangesWithoutTicks) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [min, max, count] :
         {std::tuple{1.0, 1.0, 5}, std::tuple{2.0, 1.0, 5}, std::tuple{nan, 1.0, 5},
          std::tuple{0.0, inf, 5}, std::tuple{-1e308, 1e308, 5}, std::tuple{0.0, 1.0, 0}})
        EXPECT_TRUE(nice_ticks(min, max, count).values.empty()) << min << " " << max;
    EXPECT_LE(nice_ticks(0.0, 1.0, 100000).values.size(), static_cast<size_t>(kMaxAxisTicks));
}

// On a cents axis equal ratios are equal distances; a zoom keeps its point still and a
// range kept within the bounds keeps its width.
TEST(RatioAxis, CentsPositionsZoomAndPan) {
    EXPECT_NEAR(axis_value(RatioAxis::Cents, 1.5), 701.955, 1e-3);
    for (const double r : {0.5, 1.0, 1.25, 3.9975})
        EXPECT_NEAR(ratio_at(RatioAxis::Cents, axis_value(RatioAxis::Cents, r)), r, 1e-12);
    // 1 to 4: the first octave takes half the cents axis, a third of the linear one.
    const auto fraction = [](RatioAxis axis, double r) {
        return (axis_value(axis, r) - axis_value(axis, 1.0)) /
               (axis_value(axis, 4.0) - axis_value(axis, 1.0));
    };
    EXPECT_DOUBLE_EQ(fraction(RatioAxis::Cents, 2.0), 0.5);
    EXPECT_DOUBLE_EQ(fraction(RatioAxis::Linear, 2.0), 1.0 / 3.0);
    EXPECT_FALSE(std::isfinite(axis_value(RatioAxis::Cents, 0.0)));

    const AxisSpan zoomed = zoom_about({0.0, 1200.0}, 300.0, 0.5);
    EXPECT_DOUBLE_EQ(zoomed.min, 150.0);
    EXPECT_DOUBLE_EQ(zoomed.max, 750.0);
    const AxisSpan panned = pan_by({1.0, 2.0}, -0.25);
    EXPECT_DOUBLE_EQ(panned.min, 0.75);
    const AxisSpan kept = keep_within({0.5, 1.5}, 1.0, 3.0);
    EXPECT_DOUBLE_EQ(kept.min, 1.0);
    EXPECT_DOUBLE_EQ(kept.max, 2.0);
    const AxisSpan whole = keep_within({-5.0, 50.0}, 1.0, 3.0);
    EXPECT_DOUBLE_EQ(whole.min, 1.0);
    EXPECT_DOUBLE_EQ(whole.max, 3.0);
}

}  // namespace
}  // namespace kelvara
