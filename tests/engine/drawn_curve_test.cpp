// Minima put into a drawn curve, and ranges too narrow for a 32-bit x to step through.
#include "engine/drawn_curve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace kelvara {
namespace {

struct PutInCase {
    const char* name;
    double ratio;
    size_t count;  // points after
    bool drawn;    // the minimum is a point of the curve after
};

TEST(DrawnCurve, AMinimumReplacesANearSampleAndIsPutBetweenFarOnes) {
    const PutInCase cases[] = {
        {"near a sample: replaces it", 1.205, 5, true},
        {"midway: put in between", 1.25, 6, true},
        {"below the first sample: left out", 0.9, 5, false},
    };
    for (const PutInCase& c : cases) {
        DrawnCurve curve{{1.0f, 1.1f, 1.2f, 1.3f, 1.4f}, {5, 4, 3, 4, 5}};
        CurveMinimum minimum;
        minimum.ratio = c.ratio;
        minimum.value = 0.5;
        const std::array minima{minimum};
        put_in_minima(curve, minima);
        ASSERT_EQ(curve.x_values.size(), c.count) << c.name;
        ASSERT_EQ(curve.y_values.size(), c.count) << c.name;
        EXPECT_TRUE(std::is_sorted(curve.x_values.begin(), curve.x_values.end())) << c.name;
        const auto at = std::find(curve.x_values.begin(), curve.x_values.end(), float(c.ratio));
        EXPECT_EQ(at != curve.x_values.end(), c.drawn) << c.name;
        if (c.drawn) {
            EXPECT_EQ(curve.y_values[size_t(at - curve.x_values.begin())], 0.5f);
        }
    }
}

TEST(DrawnCurve, ARangeNarrowerThanAPixelPerFloatStepsInWholeFloats) {
    const float low = 1.5f, high = std::nextafter(std::nextafter(low, 2.0f), 2.0f) + 1e-6f;
    const Timbre timbre(FlatHarmonics, 3);
    const std::array<float, 1> unison{1.0f};
    const DrawnCurve curve = draw_curve({timbre, unison, low, high, RatioAxis::Linear, 4000});
    ASSERT_GE(curve.count(), 2);
    EXPECT_TRUE(std::adjacent_find(curve.x_values.begin(), curve.x_values.end(),
                                   std::greater_equal<>()) == curve.x_values.end());
    EXPECT_TRUE(draw_curve({timbre, unison, high, low, RatioAxis::Linear, 4000}).x_values.empty());
    EXPECT_TRUE(draw_curve({timbre, unison, low, high, RatioAxis::Linear, 0}).x_values.empty());
}

}  // namespace
}  // namespace kelvara
