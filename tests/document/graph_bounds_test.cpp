#include <gtest/gtest.h>

#include <array>

#include "document/document.h"
#include "engine/range_fit.h"

namespace kelvara {
namespace {

TEST(RangeFit, YRangeHasMarginsAndAFloorAtZero) {
    const std::array<float, 3> y{0.7f, 0.3f, 1.5f};
    const FloatRange fit = fit_y_range(y.data(), 3);
    EXPECT_EQ(fit.min, 0.3f - 0.1f);
    EXPECT_EQ(fit.max, 1.5f + 0.2f);
    EXPECT_FLOAT_EQ(fit.min, 0.2f);
    EXPECT_FLOAT_EQ(fit.max, 1.7f);

    const std::array<float, 2> low{0.05f, 1.0f};
    EXPECT_EQ(fit_y_range(low.data(), 2).min, 0.0f);
}

TEST(RangeFit, NoSamplesKeepTheRunningStarts) {
    const FloatRange y = fit_y_range(nullptr, 0);
    EXPECT_EQ(y.min, 999999.875f);
    EXPECT_EQ(y.max, 0.2f);
    const FloatRange dy = fit_derivative_range(nullptr, nullptr, 0);
    EXPECT_EQ(dy.min, 999999.875f);
    EXPECT_EQ(dy.max, 0.1f);
}

TEST(RangeFit, FallingCurveHasDerivativeMaximumOfExactlyTheMargin) {
    const std::array<float, 3> x{1.0f, 1.5f, 2.0f};
    const std::array<float, 3> y{3.0f, 2.0f, 0.5f};
    const FloatRange dy = fit_derivative_range(x.data(), y.data(), 3);
    EXPECT_EQ(dy.max, 0.1f);
    EXPECT_EQ(dy.min, -3.0f - 0.1f);
}

TEST(RangeFit, DerivativeUsesStoredXDifferences) {
    const std::array<float, 3> x{1.0f, 1.25f, 2.0f};
    const std::array<float, 3> y{0.0f, 1.0f, 4.0f};
    EXPECT_EQ(fit_derivative_range(x.data(), y.data(), 3).max, 4.0f + 0.1f);
}

// A document's x range is never empty (x_min below x_max): an empty curve reaches the fit
// only through the arrays themselves.
TEST(DocumentBounds, EmptyCurveFitsToTheRunningStarts) {
    const std::array<float, 1> none{};
    EXPECT_EQ(fit_y_range(none.data(), 0).min, 999999.875f);
    EXPECT_EQ(fit_y_range(none.data(), 0).max, 0.2f);
    EXPECT_EQ(fit_derivative_range(none.data(), none.data(), 0).min, 999999.875f);
    EXPECT_EQ(fit_derivative_range(none.data(), none.data(), 0).max, 0.1f);
}

}  // namespace
}  // namespace kelvara
