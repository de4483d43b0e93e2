// The generator's four modes: how many values, which ones, where they go, and the bound on
// runs that would never end; the ratio list's order and cents.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "scales/ratio_list.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

float narrowed(double value) {
    return static_cast<float>(value);
}

// Each run: how many values and some of them by index. Every value is formed in 64 bits and
// narrowed to float.
TEST(ScaleGenerator, ValuesOfEveryMode) {
    struct Case {
        int32_t tet;
        double base;
        size_t size;
        std::vector<std::pair<size_t, float>> values;
    };
    const std::vector<Case> cases = {
        // 39 just ratios from 1 to 4, odd limit 9, by size; the base plays no part.
        {kJustRatiosTet,
         kNan,
         39,
         {{0, 1}, {1, narrowed(10.0 / 9)}, {11, 1.5f}, {16, 1.75f}, {18, 1.8f}}},
        // Two octaves of harmonics of the base: sixteenths then eighths, or eighths then
        // quarters, up to four times the base.
        {kSixteenStepHarmonicTet, 1, 33, {{0, 1}, {1, 1.0625f}, {16, 2}, {17, 2.125f}, {32, 4}}},
        {kEightStepHarmonicTet, 1, 17, {{8, 2}, {9, 2.25f}, {16, 4}}},
        {kEightStepHarmonicTet, 1.1, 17, {{1, narrowed(1.1 * 9 * 0.125)}}},
        // Equal divisions up to the first value at or above four; nothing below base 1.1.
        {12, 2, 25, {{0, 1}, {7, narrowed(std::pow(2.0, 7.0 / 12))}, {24, 4}}},
        {1, kMinEqualDivisionBase, 16, {{0, 1}}},
        {12, static_cast<double>(1.1f), 176, {}},  // 1.1f widened is just above 1.1
        {5, kInf, 2, {{0, 1}, {1, std::numeric_limits<float>::infinity()}}},
        {12, kNan, 0, {}},
        {4990, 2, 9981, {}},  // just under the bound
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "tet " << c.tet << " base " << c.base);
        const std::optional<std::vector<float>> values = generate_scale_values(c.tet, c.base);
        ASSERT_TRUE(values.has_value());
        ASSERT_EQ(values->size(), c.size);
        for (const auto& [index, value] : c.values) EXPECT_EQ((*values)[index], value) << index;
        if (c.tet > 0 && values->size() > 1) {
            EXPECT_LT((*values)[values->size() - 2], 4.0f);
            EXPECT_GE(values->back(), 4.0f);
        }
    }
    // Runs that would never end or explode are refused whole: below -2 the values fall from
    // 1 and never reach 4; about 14.5 values per division at base 1.1.
    for (const auto& [tet, base] : std::vector<std::pair<int32_t, double>>{
             {5001, 2}, {-3, 2}, {INT32_MIN, 2}, {1000, 1.1}, {INT32_MAX, 2}})
        EXPECT_EQ(generate_scale_values(tet, base), std::nullopt) << tet;
}

TEST(SetValuesInScaleArray, InsertsInGeneratedOrderAtTheStartIndex) {
    std::vector<float> list{0.5f, 9.0f};
    ASSERT_TRUE(insert_generated_ratios(list, kEightStepHarmonicTet, 1.0, 1));
    std::vector<float> expected = *generate_scale_values(kEightStepHarmonicTet, 1.0);
    expected.insert(expected.begin(), 0.5f);
    expected.push_back(9.0f);
    EXPECT_EQ(list, expected);
    // A start index outside the list is clamped to it; a run refused leaves the list as it was.
    list = {9.0f};
    ASSERT_TRUE(insert_generated_ratios(list, 12, 2.0, 500));
    EXPECT_EQ(list.front(), 9.0f);
    ASSERT_TRUE(insert_generated_ratios(list, 12, 2.0, -4));
    EXPECT_EQ(list.front(), 1.0f);
    list = {3.0f};
    EXPECT_FALSE(insert_generated_ratios(list, -7, 2.0, 0));
    EXPECT_THAT(list, ElementsAre(3.0f));
}

TEST(SortRatios, AscendsAndPutsNotANumberLast) {
    const float nan = std::nanf("");
    std::vector<float> ratios{2.0f, nan, 1.0f, -1.0f, nan, 1.5f};
    sort_ratios(ratios);
    EXPECT_THAT(std::vector<float>(ratios.begin(), ratios.begin() + 4),
                ElementsAre(-1.0f, 1.0f, 1.5f, 2.0f));
    EXPECT_TRUE(std::isnan(ratios[4]) && std::isnan(ratios[5]));
}

// Both directions in 32-bit arithmetic: log2 of the ratio times 1200, and back.
TEST(Cents, ConvertInThirtyTwoBitsAndBackWithinAnUlp) {
    EXPECT_EQ(cents_of_ratio(1.0f), 0.0f);
    EXPECT_EQ(cents_of_ratio(1.5f), 701.95496f);
    EXPECT_EQ(cents_of_ratio(2.0f), 1200.0f);
    EXPECT_EQ(ratio_of_cents(700.0f), 1.4983071f);
    EXPECT_EQ(cents_of_ratio(0.0f), -INFINITY);
    EXPECT_TRUE(std::isnan(cents_of_ratio(-1.0f)));
    for (float ratio = 0.25f; ratio <= 8.0f; ratio *= 1.0137f)
        EXPECT_NEAR(ratio_of_cents(cents_of_ratio(ratio)), ratio, ratio * 5e-7f) << ratio;
}

}  // namespace
}  // namespace kelvara
