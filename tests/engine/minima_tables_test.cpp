// The two tables a minimum is reported with: its prominence among the curve's turning points,
// and the just ratio it stands for.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

#include "engine/just_ratio.h"
#include "engine/minimum_prominence.h"

namespace kelvara {
namespace {

TEST(MinimumProminence, SmallerRiseBeforeTheCurveFallsLower) {
    struct Row {
        const char* what;
        std::vector<TurningPoint> points;  // {value, is_minimum}
        std::vector<double> expected;
        double tolerance = 0.0;
    };
    const std::vector<Row> table{
        // The lower minimum's sides never fall lower: each runs to its end of the range.
        {"two valleys",
         {{3, false}, {1, true}, {4, false}, {2, true}, {5, false}},
         {0, 2, 0, 2, 0}},
        // A minimum on the range's start is measured on its right only.
        {"a minimum on the start", {{0, true}, {3, false}, {1, true}, {2, false}}, {3, 0, 1, 0}},
        {"a minimum on the end", {{4, false}, {2, true}, {5, false}, {1, true}}, {0, 2, 0, 4}},
        // Equal is not lower: each of two equal valleys runs past the other.
        {"equal valleys",
         {{3, false}, {1, true}, {2, false}, {1, true}, {3, false}},
         {0, 2, 0, 2, 0}},
        {"a shoulder",
         {{9, false}, {0, true}, {6, false}, {4, true}, {4.5, false}, {1, true}, {8, false}},
         {0, 8, 0, 0.5, 0, 5, 0}},
        // Lower by no more than the tolerance is not lower.
        {"nearly equal valleys",
         {{3, false}, {1, true}, {2, false}, {1.5, true}, {3, false}},
         {0, 2, 0, 1.5, 0},
         0.5},
        {"one point", {{2, true}}, {0}},
        {"nothing", {}, {}},
    };
    for (const Row& row : table)
        EXPECT_EQ(minimum_prominences(row.points, row.tolerance), row.expected) << row.what;
}

double cents_above(double ratio, double cents) {
    return ratio * std::exp2(cents / 1200.0);
}

TEST(JustRatio, SmallestDenominatorWithinTheTolerance) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* what;
        double ratio, tolerance_cents;
        int32_t max_denominator;
        std::optional<std::pair<int32_t, int32_t>> expected;
        double expected_cents;
    };
    const std::vector<Row> table{
        {"a just fifth", 1.5, 10.0, 32, {{3, 2}}, 0.0},
        {"5 cents above a major third", cents_above(1.25, 5.0), 10.0, 32, {{5, 4}}, 5.0},
        // 5/4 is 13.7 cents away: the next simplest fractions within 10 and 5 cents.
        {"an equal-tempered third", std::exp2(4.0 / 12), 10.0, 32, {{19, 15}}, -9.244301402},
        {"the same, 5 cents", std::exp2(4.0 / 12), 5.0, 32, {{24, 19}}, -4.441984733},
        {"the same, denominators to 12", std::exp2(4.0 / 12), 5.0, 12, std::nullopt, 0.0},
        // 44/29 lies 0.5 cents away, 3/2 19.9 cents: the smaller denominator wins.
        {"simplest before nearest", cents_above(44.0 / 29, 0.5), 25.0, 32, {{3, 2}}, 20.285747346},
        // Tolerances are inclusive: 3/2 is 10.000000000000016 cents below this ratio.
        {"just inside the tolerance", cents_above(1.5, 10.0), 10.0 + 1e-9, 32, {{3, 2}}, 10.0},
        {"just outside it", cents_above(1.5, 10.0), 10.0 - 1e-9, 32, {{44, 29}}, -9.785747346},
        {"a tolerance of 0 takes the ratio itself", 1.5, 0.0, 32, {{3, 2}}, 0.0},
        // Both 1/1 and 2/1 are within 700 cents: the nearer of the two.
        {"two numerators, the upper nearer", 1.45, 700.0, 32, {{2, 1}}, -556.736519712},
        {"denominators beyond 4096 are not tried",
         std::numbers::pi,
         1e-3,
         1000000,
         {{355, 113}},
         -0.000147005},
        {"a numerator beyond 32 bits", 3e9, 1.0, 32, std::nullopt, 0.0},
        {"not a ratio", nan, 10.0, 32, std::nullopt, 0.0},
        {"not above 0", 0.0, 10.0, 32, std::nullopt, 0.0},
        {"a negative tolerance", 1.5, -1.0, 32, std::nullopt, 0.0},
    };
    for (const Row& row : table) {
        const auto just = nearest_just_ratio(row.ratio, row.tolerance_cents, row.max_denominator);
        ASSERT_EQ(just.has_value(), row.expected.has_value()) << row.what;
        if (!just) continue;
        EXPECT_EQ(std::pair(just->numerator, just->denominator), *row.expected) << row.what;
        EXPECT_NEAR(just->cents_off, row.expected_cents, 1e-3) << row.what;
    }
}

}  // namespace
}  // namespace kelvara
