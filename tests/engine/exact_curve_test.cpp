// The exact 64-bit curve, the reference of the minima tests, against the curve documents
// sample in 32 bits, and its one-sided slopes against finite differences.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/curve_definition.h"
#include "engine/dissonance_kernel.h"
#include "engine/exact_curve.h"
#include "engine/partials.h"

namespace kelvara {
namespace {

// Every timbre type, few and many overtones, low and high bases, 0 to 10 fixed tones; x off
// and on cusps. The float curve rounds every frequency to 24 bits and every term to float and
// sums them in float: the exact curve stays within 5e-5 of the curve's peak of it.
TEST(ExactCurve, AgreesWithTheDocumentsFloatCurve) {
    struct Row {
        Timbre timbre;
        std::vector<float> ratios;
        RoughnessModel model = RoughnessModel::Product;
    };
    constexpr auto kMin = RoughnessModel::Minimum;
    const std::vector<Row> table{
        {{GeometricHarmonics, 25, 440.0},
         {1.0f, 16.0f / 15, 9.0f / 8, 6.0f / 5, 5.0f / 4, 4.0f / 3, 3.0f / 2, 8.0f / 5, 5.0f / 3,
          2.0f}},
        {{PureTone, 1, 261.63}, {1.0f, 1.25f, 1.5f}},
        {{ShapedHarmonics, 40, 880.0}, {1.0f, 1.2f}},
        {{GeometricHarmonics, 25, 440.0}, {1.0f, 6.0f / 5, 3.0f / 2}, kMin},
        {{CustomPartials,
          5,
          330.0,
          {{1.0, 1.0}, {2.756, 0.5}, {0.5, 0.8}, {5.404, 0.0}, {8.9, 3.0}}},
         {1.0f, 1.41f},
         kMin},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(std::to_string(row.timbre.overtone_type) + ", " +
                     std::to_string(row.ratios.size()) + " fixed tones, " +
                     std::string(roughness_model_name(row.model)));
        const ExactCurve exact =
            *ExactCurve::create(document_curve_definition(row.timbre, row.ratios, row.model));
        const auto fixed = static_cast<int32_t>(row.ratios.size());
        const int32_t count = number_of_partials(row.timbre, fixed);
        std::vector<float> partials(count), amplitudes(count);
        build_partials(row.timbre, row.ratios, partials.data(), amplitudes.data());
        std::vector<double> literal, exact_values;
        for (const float x : {1.0f, 1.0137f, 1.25f, 1.4142f, 1.5f, 2.0f, 3.3f}) {
            move_sweep_tone(row.timbre, fixed, x, partials.data());
            literal.push_back(
                pair_sum_literal(partials.data(), amplitudes.data(), count, row.model));
            exact_values.push_back(exact.at(x).value);
        }
        const double peak = *std::max_element(literal.begin(), literal.end());
        for (size_t i = 0; i < literal.size(); ++i)
            EXPECT_NEAR(exact_values[i], literal[i], 5e-5 * peak) << i;
    }
}

// Away from cusps both slopes are the derivative; at a cusp each is its side's derivative and
// the curve makes a V. An inharmonic timbre with a sub-harmonic, a silent partial and two
// partials at one ratio.
TEST(ExactCurve, SlopesAreTheDerivativesOnEachSide) {
    const ExactCurve exact = *ExactCurve::create(
        {{{1.0, 1.0}, {2.76, 0.6}, {5.40, 0.0}, {5.40, 0.3}, {8.93, 0.25}, {0.5, 0.8}},
         330.0,
         {1.0, 1.3348, 2.0}});
    struct Point {
        double x;
        bool cusp;
    };
    // 1.3348 and 2.0: fixed tones' partials against the same sweep partial; 8.93/5.40.
    for (const Point p : {Point{1.17, false}, Point{1.3348, true}, Point{2.0, true},
                          Point{8.93 / 5.40, true}, Point{3.05, false}}) {
        const CurvePoint at = exact.at(p.x);
        EXPECT_EQ(at.is_cusp, p.cusp) << p.x;
        const double h = 1e-7 * p.x;
        const double below = (at.value - exact.at(p.x - h).value) / h;
        const double above = (exact.at(p.x + h).value - at.value) / h;
        const double scale = std::fabs(at.slope_below) + std::fabs(at.slope_above) + at.value;
        EXPECT_NEAR(at.slope_below, below, 1e-4 * scale) << p.x;
        EXPECT_NEAR(at.slope_above, above, 1e-4 * scale) << p.x;
        if (p.cusp) {
            EXPECT_GT(at.slope_above - at.slope_below, 1e-3 * scale) << p.x;  // a V
        }
    }
    EXPECT_TRUE(std::isnan(exact.at(0.0).value));
}

}  // namespace
}  // namespace kelvara
