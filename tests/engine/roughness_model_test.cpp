// The two roughness models: what each weighs a pair with, the scale the curve's precision is
// measured against, and the curves they give — six harmonics of amplitude 1/k have a valley at
// 6/5 under the minimum and none under the product. (The kernels under both models against
// the exact sum: fast_kernel_test.cpp; the exact curve against the float one:
// exact_curve_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/curve_minima.h"
#include "engine/roughness_model.h"

namespace kelvara {
namespace {

TEST(RoughnessModel, PairWeightMassOverEveryOrderedPair) {
    struct Row {
        std::vector<double> amplitudes;
        RoughnessModel model;
        double mass;
    };
    const std::vector<Row> table{
        {{}, RoughnessModel::Minimum, 0.0},
        {{1.0, 0.5, 0.25}, RoughnessModel::Product, 1.75 * 1.75},
        // min over the 9 ordered pairs: 1 + 0.5 + 0.25 | 0.5 + 0.5 + 0.25 | 0.25 × 3.
        {{1.0, 0.5, 0.25}, RoughnessModel::Minimum, 3.75},
        {{0.25, 1.0, 0.5}, RoughnessModel::Minimum, 3.75},
        {{0.001, 0.001, 0.001, 0.001}, RoughnessModel::Minimum, 0.016},
        {{2.0, 0.0}, RoughnessModel::Minimum, 2.0},
    };
    for (const Row& row : table) {
        double literal = 0.0;
        for (const double a : row.amplitudes)
            for (const double b : row.amplitudes) literal += pair_weight(a, b, row.model);
        EXPECT_DOUBLE_EQ(literal, row.mass);
        EXPECT_DOUBLE_EQ(pair_weight_mass(row.amplitudes, row.model), row.mass);
    }
}

// Six harmonics of amplitude 1/k against one fixed tone, from 1 to 2: the familiar cusp
// minima under both, the 6/5 valley only under the minimum.
TEST(RoughnessModel, SixFiveValleyExistsUnderTheMinimumOnly) {
    struct Row {
        RoughnessModel model;
        bool has_six_fifths;
    };
    for (const Row row :
         {Row{RoughnessModel::Product, false}, Row{RoughnessModel::Minimum, true}}) {
        SCOPED_TRACE(std::string(roughness_model_name(row.model)));
        const auto minima =
            find_curve_minima(document_curve_definition({InverseHarmonics, 6, 440.0},
                                                        std::vector<float>{1.0f}, row.model),
                              {1.0, 2.0});
        ASSERT_TRUE(minima);
        const auto at = [&](double x) {
            return std::find_if(minima->begin(), minima->end(), [x](const CurveMinimum& m) {
                return std::fabs(m.ratio - x) <= 1e-9;
            });
        };
        for (const double x : {1.0, 1.25, 4.0 / 3.0, 1.5, 5.0 / 3.0, 2.0})
            EXPECT_NE(at(x), minima->end()) << x;
        EXPECT_EQ(at(1.2) != minima->end(), row.has_six_fifths);
        // Nothing else near 6/5 either: the valley has gone, not moved.
        if (!row.has_six_fifths) {
            for (const CurveMinimum& m : *minima) EXPECT_FALSE(m.ratio > 1.15 && m.ratio < 1.24);
        }
    }
}

}  // namespace
}  // namespace kelvara
