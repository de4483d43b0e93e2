// The generator's four modes: how many values, which ones, where they go, and the bound on
// runs that would never end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "scales/ratio_list.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

std::vector<float> generated(int32_t tet, double base) {
    return generate_scale_values(tet, base).value_or(std::vector<float>{-1.0f});
}

TEST(JustRatios, AreTheTwentyNineFractionsNarrowedToFloat) {
    const std::vector<float> just = generated(kJustRatiosTet, 2.0);
    ASSERT_EQ(just.size(), 29u);
    EXPECT_EQ(just[0], 1.0f);
    EXPECT_EQ(just[1], 1.0666667f);
    EXPECT_EQ(just[1], static_cast<float>(16.0 / 15.0));
    EXPECT_EQ(just[7], 1.5f);
    EXPECT_EQ(just[10], 1.75f);
    EXPECT_EQ(just[14], 2.0f);
    EXPECT_EQ(just[15], static_cast<float>(32.0 / 15.0));
    EXPECT_EQ(just[23], static_cast<float>(10.0 / 3.0));
    EXPECT_EQ(just[28], 4.0f);
    // The second octave is the first doubled, and the base plays no part.
    for (size_t i = 0; i < 14; ++i) EXPECT_EQ(just[14 + i], 2.0f * just[i]) << i;
    EXPECT_EQ(generated(kJustRatiosTet, 7.5), just);
    EXPECT_EQ(generated(kJustRatiosTet, std::nan("")), just);
}

TEST(HarmonicLists, RunTwoOctavesOfHarmonicsOfTheBase) {
    const std::vector<float> sixteen = generated(kSixteenStepHarmonicTet, 1.0);
    ASSERT_EQ(sixteen.size(), 33u);
    EXPECT_EQ(sixteen[0], 1.0f);
    EXPECT_EQ(sixteen[1], 1.0625f);
    EXPECT_EQ(sixteen[16], 2.0f);
    EXPECT_EQ(sixteen[17], 2.125f);
    EXPECT_EQ(sixteen[32], 4.0f);

    const std::vector<float> eight = generated(kEightStepHarmonicTet, 1.0);
    ASSERT_EQ(eight.size(), 17u);
    EXPECT_EQ(eight[8], 2.0f);
    EXPECT_EQ(eight[9], 2.25f);
    EXPECT_EQ(eight[16], 4.0f);

    // Base 2: 2.0 up to 4.0 in sixteenths of 2, then 4.25 up to 8.
    const std::vector<float> on_two = generated(kSixteenStepHarmonicTet, 2.0);
    EXPECT_EQ(on_two[0], 2.0f);
    EXPECT_EQ(on_two[16], 4.0f);
    EXPECT_EQ(on_two[17], 4.25f);
    EXPECT_EQ(on_two[32], 8.0f);
    // The product base * k is formed in 64 bits before it is scaled and narrowed.
    EXPECT_EQ(generated(kEightStepHarmonicTet, 1.1)[1], static_cast<float>(1.1 * 9 * 0.125));
}

TEST(EqualDivision, ReachesTheFirstValueAtOrAboveFour) {
    const std::vector<float> twelve = generated(12, 2.0);
    ASSERT_EQ(twelve.size(), 25u);
    EXPECT_EQ(twelve.front(), 1.0f);
    EXPECT_EQ(twelve[7], static_cast<float>(std::pow(2.0, 7.0 / 12.0)));
    EXPECT_EQ(twelve[12], 2.0f);
    EXPECT_EQ(twelve.back(), 4.0f);

    EXPECT_EQ(generated(19, 2.0).size(), 39u);
    EXPECT_EQ(generated(31, 2.0).size(), 63u);

    const std::vector<float> tritave = generated(13, 3.0);
    ASSERT_EQ(tritave.size(), 18u);
    EXPECT_NEAR(tritave.back(), 4.21, 0.01);
    EXPECT_LT(tritave[16], 4.0f);
}

TEST(EqualDivision, BaseBelowOnePointOneOrNotANumberGivesNothing) {
    EXPECT_TRUE(generated(12, 1.05).empty());
    EXPECT_TRUE(generated(12, 1.0999).empty());
    EXPECT_TRUE(generated(12, 0.0).empty());
    EXPECT_TRUE(generated(12, -2.0).empty());
    EXPECT_TRUE(generated(12, std::nan("")).empty());
    EXPECT_EQ(generated(1, kMinEqualDivisionBase).front(), 1.0f);
    // The base field holds a 32-bit float: 1.1f widened is just above 1.1 and is accepted.
    EXPECT_FALSE(generated(12, static_cast<double>(1.1f)).empty());
}

TEST(GeneratorBound, RunsThatWouldNeverEndOrExplodeAreRefusedWhole) {
    // Below -2 the values fall from 1 and never reach 4.
    EXPECT_EQ(generate_scale_values(-3, 2.0), std::nullopt);
    EXPECT_EQ(generate_scale_values(std::numeric_limits<int32_t>::min(), 2.0), std::nullopt);
    // About 14.5 values per division at base 1.1.
    EXPECT_EQ(generate_scale_values(1000, 1.1), std::nullopt);
    EXPECT_EQ(generate_scale_values(std::numeric_limits<int32_t>::max(), 2.0), std::nullopt);
    // Just under the cap still works (2 * 4990 + 1 values or one more, as rounding falls).
    EXPECT_TRUE(generate_scale_values(4990, 2.0).has_value());
    EXPECT_EQ(generate_scale_values(5001, 2.0), std::nullopt);
    // An infinite base steps straight past 4.
    EXPECT_THAT(*generate_scale_values(5, std::numeric_limits<double>::infinity()),
                ElementsAre(1.0f, std::numeric_limits<float>::infinity()));
}

TEST(SetValuesInScaleArray, InsertsInGeneratedOrderAtTheStartIndex) {
    std::vector<float> list{0.5f, 9.0f};
    ASSERT_TRUE(insert_generated_ratios(list, kEightStepHarmonicTet, 1.0, 1));
    ASSERT_EQ(list.size(), 19u);
    EXPECT_EQ(list[0], 0.5f);
    EXPECT_EQ(list[1], 1.0f);
    EXPECT_EQ(list[17], 4.0f);
    EXPECT_EQ(list[18], 9.0f);

    // A start index outside the list is clamped to it.
    std::vector<float> short_list{9.0f};
    ASSERT_TRUE(insert_generated_ratios(short_list, 12, 2.0, 500));
    EXPECT_EQ(short_list.front(), 9.0f);
    ASSERT_TRUE(insert_generated_ratios(short_list, 12, 2.0, -4));
    EXPECT_EQ(short_list.front(), 1.0f);

    std::vector<float> untouched{3.0f};
    EXPECT_FALSE(insert_generated_ratios(untouched, -7, 2.0, 0));
    EXPECT_THAT(untouched, ElementsAre(3.0f));
}

TEST(SortRatios, AscendsAndPutsNotANumberLast) {
    const float nan = std::nanf("");
    std::vector<float> ratios{2.0f, nan, 1.0f, -1.0f, nan, 1.5f};
    sort_ratios(ratios);
    EXPECT_THAT(std::vector<float>(ratios.begin(), ratios.begin() + 4),
                ElementsAre(-1.0f, 1.0f, 1.5f, 2.0f));
    EXPECT_TRUE(std::isnan(ratios[4]) && std::isnan(ratios[5]));
}

}  // namespace
}  // namespace kelvara
