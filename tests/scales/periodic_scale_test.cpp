// Periodic scales: degrees by the period up and down, one period cut out of a table, a scale
// laid out over an x range within bounds, and the keys a mapping gives each degree.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "scales/keyboard_mapping.h"
#include "scales/periodic_scale.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

const PeriodicScale kJustMajor =
    *PeriodicScale::from_ratios({9.0 / 8, 5.0 / 4, 4.0 / 3, 3.0 / 2, 5.0 / 3, 15.0 / 8, 2.0});

TEST(PeriodicScale, DegreesRepeatByThePeriodUpAndDownAndOnlyAClimbingPeriodIsOne) {
    const PeriodicScale just = *PeriodicScale::from_ratios({1.25, 1.5, 2.0});
    const std::pair<int64_t, double> cases[] = {{0, 1.0},   {1, 1.25},   {3, 2.0},  {4, 2.5},
                                                {-1, 0.75}, {-2, 0.625}, {-3, 0.5}, {-6, 0.25}};
    for (const auto& [degree, ratio] : cases) EXPECT_EQ(just.ratio_of_degree(degree), ratio);
    // Far degrees keep their interval; beyond a double the ratio runs out, not the program.
    const int64_t far = int64_t{3} << 40;
    EXPECT_EQ(just.ratio_between_degrees(far, far + 2), 1.5);
    EXPECT_EQ(just.ratio_between_degrees(std::numeric_limits<int64_t>::max(),
                                         std::numeric_limits<int64_t>::min()),
              0.0);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& ratios : std::vector<std::vector<double>>{{}, {1.0}, {1.5, 0.5}, {nan, 2.0}})
        EXPECT_FALSE(PeriodicScale::from_ratios(ratios)) << ratios.size();
}

TEST(OnePeriodOfTable, TakesTheStepsBelowThePeriodAndCountsWhatDoesNotRepeat) {
    EXPECT_EQ(default_period(std::vector<float>{1.0f, 1.9999999f}), 2.0f);
    EXPECT_EQ(default_period(std::vector<float>{1.0f, 1.25f, 1.5f}), 1.5f);
    EXPECT_EQ(default_period(std::vector<float>{1.0f, 0.5f}), std::nullopt);

    const std::vector<float> twelve = *generate_scale_values(12, 2.0);  // 1 .. 4, 25 values
    const TablePeriod cut = *one_period_of_table(twelve, 2.0f);
    EXPECT_EQ(cut.steps, std::vector<float>(twelve.begin() + 1, twelve.begin() + 12));
    EXPECT_EQ(cut.entries_not_repeating, 0);
    // Unsorted with duplicates and non-ratios; 3.0 and 0.75 repeat 3/2, 2.7 and 0.6 do not.
    const std::vector<float> messy = {1.5f, 1.25f, 1.5f,  std::nanf(""), 0.0f,
                                      2.0f, 3.0f,  0.75f, 2.7f,          0.6f};
    EXPECT_THAT(one_period_of_table(messy, 2.0f)->steps, ElementsAre(1.25f, 1.5f));
    EXPECT_EQ(one_period_of_table(messy, 2.0f)->entries_not_repeating, 2);
}

TEST(ExpandByPeriods, CoversAnyRangeAndRefusesWhatWouldNotEnd) {
    const PeriodicScale scale = *PeriodicScale::from_ratios({1.5, 1.25, 2.0});
    EXPECT_THAT(*expand_by_periods(scale, 0.5f, 1.25f),
                ElementsAre(0.5f, 0.625f, 0.75f, 1.0f, 1.25f));
    EXPECT_THAT(*expand_by_periods(scale, 2.6f, 5.5f), ElementsAre(3.0f, 4.0f, 5.0f));
    EXPECT_FALSE(expand_by_periods(scale, 4.0f, 1.0f));
    // A period a hair above 1/1 would need millions of periods to cross 1..4.
    EXPECT_FALSE(expand_by_periods(*PeriodicScale::from_ratios({1.0000001}), 1.0f, 4.0f));
}

TEST(KeyFrequencies, TheReferenceKeyPlaysTheBaseAndAPatternSilencesKeys) {
    const KeyFrequencies keys = keyboard_frequencies_hz(kJustMajor, 220.0);
    EXPECT_EQ(*keys[60], 220.0);
    EXPECT_EQ(*keys[61], 247.5);
    EXPECT_EQ(*keys[67], 440.0);   // one period up
    EXPECT_EQ(*keys[59], 206.25);  // 15/8 one period down

    // White keys play the seven degrees; key 69 (degree 5, 5/3) sounds 440 Hz.
    KeyboardMapping white = linear_keyboard_mapping(69, 440.0);
    white.middle_key = 60;
    white.pattern = {0, std::nullopt, 1, std::nullopt, 2, 3, std::nullopt,
                     4, std::nullopt, 5, std::nullopt, 6};
    white.formal_octave_degree = 7;
    const KeyFrequencies white_keys = key_frequencies_hz(kJustMajor, white);
    EXPECT_EQ(*white_keys[60], 264.0);
    EXPECT_EQ(*white_keys[72], 528.0);
    EXPECT_FALSE(white_keys[61] || white_keys[70]);
    EXPECT_EQ(*base_frequency_hz(kJustMajor, white), 264.0);
    white.reference_key = 61;  // a silent key names no tuning
    EXPECT_FALSE(is_usable(white) || base_frequency_hz(kJustMajor, white));
}

}  // namespace
}  // namespace kelvara
