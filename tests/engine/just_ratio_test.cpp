#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

#include "engine/just_ratio.h"

namespace kelvara {
namespace {

double cents_above(double ratio, double cents) {
    return ratio * std::exp2(cents / 1200.0);
}

struct Row {
    const char* what;
    double ratio, tolerance_cents;
    int32_t max_denominator;
    std::optional<std::pair<int32_t, int32_t>> expected;
    double expected_cents;
};

TEST(JustRatio, SmallestDenominatorWithinTheTolerance) {
    const std::vector<Row> table{
        {"a just fifth", 1.5, 10.0, 32, {{3, 2}}, 0.0},
        {"the unison", 1.0, 10.0, 32, {{1, 1}}, 0.0},
        {"the octave", 2.0, 10.0, 32, {{2, 1}}, 0.0},
        {"5 cents above a major third", cents_above(1.25, 5.0), 10.0, 32, {{5, 4}}, 5.0},
        {"an equal-tempered fifth", std::exp2(7.0 / 12), 10.0, 32, {{3, 2}}, -1.955000865},
        // 5/4 is 13.7 cents away: the next simplest fractions within 10 and 5 cents.
        {"an equal-tempered third", std::exp2(4.0 / 12), 10.0, 32, {{19, 15}}, -9.244301402},
        {"the same, 5 cents", std::exp2(4.0 / 12), 5.0, 32, {{24, 19}}, -4.441984733},
        {"the same, denominators to 12", std::exp2(4.0 / 12), 5.0, 12, std::nullopt, 0.0},
        // 44/29 lies 0.5 cents away, 3/2 19.9 cents: the smaller denominator wins.
        {"simplest before nearest", cents_above(44.0 / 29, 0.5), 25.0, 32, {{3, 2}}, 20.285747346},
        // Tolerances are inclusive: 3/2 is 10.000000000000016 cents below this ratio.
        {"just inside the tolerance", cents_above(1.5, 10.0), 10.0 + 1e-9, 32, {{3, 2}}, 10.0},
        {"just outside it", cents_above(1.5, 10.0), 10.0 - 1e-9, 32, {{44, 29}}, -9.785747346},
        // Both 1/1 and 2/1 are within 700 cents: the nearer of the two.
        {"two numerators, the upper nearer", 1.45, 700.0, 32, {{2, 1}}, -556.736519712},
        {"two numerators, the lower nearer", 1.40, 700.0, 32, {{1, 1}}, 582.512192604},
        {"zero tolerance off a fraction", std::exp2(7.0 / 12), 0.0, 32, std::nullopt, 0.0},
        {"denominators beyond 4096 are not tried",
         std::numbers::pi,
         1e-3,
         1000000,
         {{355, 113}},
         -0.000147005},
        {"a large ratio", 1e9, 1.0, 32, {{1000000000, 1}}, 0.0},
        {"a numerator beyond 32 bits", 3e9, 1.0, 32, std::nullopt, 0.0},
    };
    for (const Row& row : table) {
        const auto just = nearest_just_ratio(row.ratio, row.tolerance_cents, row.max_denominator);
        ASSERT_EQ(just.has_value(), row.expected.has_value()) << row.what;
        if (!just) continue;
        EXPECT_EQ(just->numerator, row.expected->first) << row.what;
        EXPECT_EQ(just->denominator, row.expected->second) << row.what;
        EXPECT_NEAR(just->cents_off, row.expected_cents, 1e-3) << row.what;
    }
}

TEST(JustRatio, NothingForValuesThatAreNotRatios) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double ratio : {nan, inf, 0.0, -1.5})
        EXPECT_FALSE(nearest_just_ratio(ratio).has_value()) << ratio;
    EXPECT_FALSE(nearest_just_ratio(1.5, -1.0).has_value());
    EXPECT_FALSE(nearest_just_ratio(1.5, nan).has_value());
    EXPECT_FALSE(nearest_just_ratio(1.5, 10.0, 0).has_value());
    EXPECT_FALSE(nearest_just_ratio(1.5, 10.0, -3).has_value());
    EXPECT_EQ(nearest_just_ratio(1.5, inf)->denominator, 1);  // everything is within
}

}  // namespace
}  // namespace kelvara
