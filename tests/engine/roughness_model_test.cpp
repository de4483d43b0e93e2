// The two roughness models: what each weighs a pair with and the scale the curve's precision is
// measured against. (The kernels under both models against the exact sum: fast_kernel_test.cpp;
// the exact curve against the float one: exact_curve_test.cpp; the 6/5 valley six harmonics of
// amplitude 1/k have under the minimum only: the minima rows of tests/cli.)
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kelvara
