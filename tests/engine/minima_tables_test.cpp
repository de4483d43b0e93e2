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
        {"nothing", {}, {}},
    };
    for (const Row& row : table)
        EXPECT_EQ(minimum_prominences(row.points, row.tolerance), row.expected) << row.what;
}

double cents_above(double ratio, double cents) {
    return ratio * std::exp2(cents / 1200.0);
}

TEST(JustRatio, ExactMatchFirstThenSimplestWithinTheTolerance) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* what;
        double ratio;
        JustNaming naming;
        std::optional<std::pair<int32_t, int32_t>> expected;
        double expected_cents;
    };
    const std::vector<Row> table{
        {"a just fifth", 1.5, {}, {{3, 2}}, 0.0},
        // 22/21 lies 9.865 cents away and is simpler, but 25/24 is the ratio itself.
        {"the cusp at 25/24", 1.0416666666666667, {}, {{25, 24}}, 0.0},
        {"just off 25/24, 22/21 is simpler", cents_above(25.0 / 24, 0.5), {}, {{22, 21}}, -9.365},
        // 5/4 is 13.7 cents away: the simplest fractions within 10 and 5 cents.
        {"an equal-tempered third", std::exp2(4.0 / 12), {}, {{19, 15}}, -9.244301402},
        {"the same, denominators to 12",
         std::exp2(4.0 / 12),
         {.tolerance_cents = 5.0, .max_denominator = 12},
         std::nullopt,
         0.0},
        // 44/29 lies 0.5 cents away, 3/2 19.9 cents: the simpler wins.
        {"simplest before nearest", cents_above(44.0 / 29, 0.5), {25.0}, {{3, 2}}, 20.285747346},
        {"just outside it", cents_above(1.5, 10.0), {10.0 - 1e-9}, {{44, 29}}, -9.785747346},
        // Tenney height: 7/5 (35) before 10/7 (70), both within 30 cents of 1.42.
        {"Tenney height ranks", 1.42, {30.0}, {{7, 5}}, 24.557},
        // Within the 5-odd-limit only 4/3 lies within 60 cents of 1.38 (11/8 is 6 cents away).
        {"an odd limit keeps out 11/8",
         1.38,
         {.tolerance_cents = 60.0, .odd_limit = 5},
         {{4, 3}},
         59.557},
        // 13/4 (height 52, odd limit 13) and 16/5 (height 80, odd limit 5) lie within 20 cents.
        {"the least height", 3.22, {20.0}, {{13, 4}}, -16.055},
        {"the least odd limit",
         3.22,
         {.tolerance_cents = 20.0, .odd_limit = 15},
         {{16, 5}},
         10.787},
        {"pi, denominators beyond 4096 are not tried",
         std::numbers::pi,
         {1e-3, 1000000},
         {{355, 113}},
         -0.000147005},
        {"not a ratio", nan, {}, std::nullopt, 0.0},
        {"a negative tolerance", 1.5, {-1.0}, std::nullopt, 0.0},
    };
    for (const Row& row : table) {
        const auto just = name_just_ratio(row.ratio, row.naming);
        ASSERT_EQ(just.has_value(), row.expected.has_value()) << row.what;
        if (!just) continue;
        EXPECT_EQ(std::pair(just->numerator, just->denominator), *row.expected) << row.what;
        EXPECT_NEAR(just->cents_off, row.expected_cents, 1e-3) << row.what;
    }
}

// The fractions the graph marks and the just scale is made of, from the same tree.
TEST(JustRatio, FractionsOfARangeByValue) {
    struct Row {
        const char* what;
        double low, high;
        int64_t max_height;
        JustNaming naming;
        std::vector<std::pair<int32_t, int32_t>> expected;
    };
    const std::vector<Row> table{
        {"the octave to height 30",
         1.0,
         2.0,
         30,
         {},
         {{1, 1}, {6, 5}, {5, 4}, {4, 3}, {3, 2}, {5, 3}, {7, 4}, {2, 1}}},
        {"odd limit 5 to height 100",
         1.0,
         2.0,
         100,
         {.odd_limit = 5},
         {{1, 1}, {6, 5}, {5, 4}, {4, 3}, {3, 2}, {8, 5}, {5, 3}, {2, 1}}},
        {"a reversed range", 2.0, 1.0, 100, {}, {}},
    };
    for (const Row& row : table) {
        std::vector<std::pair<int32_t, int32_t>> found;
        for (const JustFraction f :
             just_fractions_between(row.low, row.high, row.max_height, row.naming))
            found.emplace_back(f.numerator, f.denominator);
        EXPECT_EQ(found, row.expected) << row.what;
    }
}

}  // namespace
}  // namespace kelvara
