#include <gtest/gtest.h>

#include <vector>

#include "engine/minimum_prominence.h"

namespace kelvara {
namespace {

struct Row {
    const char* what;
    std::vector<TurningPoint> points;  // {value, is_minimum}
    std::vector<double> expected;
};

TEST(MinimumProminence, SmallerRiseBeforeTheCurveFallsLower) {
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
        // A shallow valley on the flank of a deep one.
        {"a shoulder",
         {{9, false}, {0, true}, {6, false}, {4, true}, {4.5, false}, {1, true}, {8, false}},
         {0, 8, 0, 0.5, 0, 5, 0}},
        {"one point", {{2, true}}, {0}},
        {"nothing", {}, {}},
    };
    for (const Row& row : table) {
        const std::vector<double> got = minimum_prominences(row.points);
        ASSERT_EQ(got.size(), row.expected.size()) << row.what;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_DOUBLE_EQ(got[i], row.expected[i]) << row.what << ", point " << i;
    }
}

}  // namespace
}  // namespace kelvara
