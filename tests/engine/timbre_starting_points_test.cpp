#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "engine/timbre_starting_points.h"

namespace kelvara {
namespace {

TEST(FreeBar, RatiosAreTheSquaredRootsOfTheFreeBeamEquation) {
    const auto bar = free_bar_partials(kMaxCustomPartials);
    // Mode 47 is the last below the highest partial ratio; mode 48 lies above it.
    ASSERT_EQ(bar.size(), 47u);
    EXPECT_LE(bar.back().ratio, kPartialRatioBounds.max);
    EXPECT_GT(std::pow(48.5 * std::numbers::pi / 4.730040744862704, 2), kPartialRatioBounds.max);
    // The ratios every acoustics text gives for the first five modes.
    const double published[] = {1.0, 2.7565, 5.4039, 8.9330, 13.3443};
    for (size_t n = 0; n < 5; ++n)
        EXPECT_NEAR(bar[n].ratio, published[n], 5e-4) << "mode " << n + 1;
    // Every ratio comes from a root of cos β · cosh β = 1, with β_1 = 4.730040745: the last
    // one, the farthest from the published ones.
    const double beta = 4.730040744862704 * std::sqrt(bar.back().ratio);
    EXPECT_NEAR(std::cos(beta) - 1.0 / std::cosh(beta), 0.0, 1e-9);
    EXPECT_DOUBLE_EQ(bar.back().amplitude, 1.0 / 47.0);
    // Fewer modes when asked, never none.
    EXPECT_EQ(free_bar_partials(12).size(), 12u);
    EXPECT_EQ(free_bar_partials(-5).size(), 1u);
}

TEST(StiffString, PartialsFollowTheInharmonicityFormula) {
    struct Case {
        double b;
        int32_t k;
        double ratio;
    };
    const Case cases[] = {
        {0.0, 7, 7.0},  // harmonic
        {0.0004, 24, 24.0 * std::sqrt(1.2304) / std::sqrt(1.0004)},
        {kMaxInharmonicity, 37, 37.0 * std::sqrt(1.0 + 37.0 * 37.0) / std::sqrt(2.0)},
    };
    for (const Case& c : cases) {
        const auto partials = stiff_string_partials(128, c.b);
        ASSERT_TRUE(partials);
        EXPECT_NEAR((*partials)[c.k - 1].ratio, c.ratio, 1e-12 * c.ratio) << "B " << c.b;
        EXPECT_DOUBLE_EQ((*partials)[0].ratio, 1.0);
        EXPECT_DOUBLE_EQ((*partials)[c.k - 1].amplitude, 1.0 / c.k);
        // The list ends below the highest partial ratio.
        EXPECT_LE(partials->back().ratio, kPartialRatioBounds.max);
    }
    // B = 1: partial 37 lies at 968, partial 38 would lie above 1000.
    EXPECT_EQ(stiff_string_partials(128, kMaxInharmonicity)->size(), 37u);
}

TEST(StiffString, RefusesCoefficientsOutsideItsRange) {
    for (double b : {-1e-9, kMaxInharmonicity * 1.01, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(stiff_string_partials(8, b)) << b;
}

TEST(PublishedSpectra, EachNamesItsSourceAndHoldsAValidTimbre) {
    ASSERT_FALSE(published_spectra().empty());
    for (const PublishedSpectrum& s : published_spectra()) {
        EXPECT_FALSE(s.name.empty());
        ASSERT_FALSE(s.partials.empty());
        bool has_one = false;
        for (size_t i = 0; i < s.partials.size(); ++i) {
            EXPECT_GT(s.partials[i].ratio, 0.0);
            EXPECT_GE(s.partials[i].amplitude, 0.0);
            if (i > 0) {
                EXPECT_GT(s.partials[i].ratio, s.partials[i - 1].ratio) << s.name;
            }
            has_one = has_one || s.partials[i].ratio == 1.0;
        }
        EXPECT_TRUE(has_one) << s.name;
    }
}

}  // namespace
}  // namespace kelvara
