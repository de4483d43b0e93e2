// Values as a person types them and as fields and cells show them: chord text with its
// separators and refusals, ratios as decimals, fractions and cents, the shortest text that
// reads back, and cents shown at the precision a ratio carries.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "scales/chord_text.h"
#include "scales/decimal_text.h"
#include "scales/ratio_list.h"
#include "scales/ratio_text.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

TEST(ChordParsing, AcceptsEverySeparatorAndBlanks) {
    const Chord triad{220.0f, 275.0f, 330.0f};
    for (const char* text :
         {"220,275,330", "220 275 330", "220\t275\t330", "220 / 275 / 330", "220;275_330",
          "220|275:330", "220\\275-330", "  220,275,330  ", "220,275,330,", "220, 275 ,330 ,\n",
          "\t220,\n275  330", "+220,2.75e2,330.0"})
        EXPECT_EQ(parse_chord(text).ok() ? *parse_chord(text) : Chord{}, triad) << text;
}

TEST(ChordParsing, RefusesWithWhatWhereAndTheSeparators) {
    const std::string separators = "; separate tones with , | : ; / \\ - _ space or tab";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"440hz", "\u2018hz\u2019 at position 4: expected a number"},
        {"220,abc,330", "\u2018abc\u2019 at position 5: expected a number"},
        {"220,,330", "\u2018,\u2019 at position 5: expected a number"},
        {",220", "\u2018,\u2019 at position 1: expected a number"},
        {"220 - - 330", "\u2018-\u2019 at position 7: expected a number"},
        {"", "No frequency given: type at least one"},
        {" \t ", "No frequency given: type at least one"},
        {"0,220", "\u20180\u2019 at position 1: a chord tone must be 1\u201320000 Hz"},
        {"220 30000", "\u201830000\u2019 at position 5: a chord tone must be 1\u201320000 Hz"},
        {"1e39", "\u20181e39\u2019 at position 1: a chord tone must be 1\u201320000 Hz"},
        {"inf", "\u2018inf\u2019 at position 1: expected a number"},
        {"1.5abc", "\u2018abc\u2019 at position 4: expected a number"},
        {"0x10", "\u2018x10\u2019 at position 2: expected a number"},
    };
    for (const auto& [text, what] : cases) {
        const Result<Chord> refused = parse_chord(text);
        ASSERT_FALSE(refused) << text;
        EXPECT_EQ(refused.error().description, what + separators) << text;
    }
}

TEST(RatioText, DecimalsFractionsAndCents) {
    const std::vector<std::pair<std::string, float>> cases = {
        {"1.25", 1.25f},
        {" 4/3 ", 4.0f / 3.0f},
        {"3 / 2", 1.5f},
        {"386.31c", ratio_of_cents(386.31f)},
        {"1200C", 2.0f},
        {"2e0", 2.0f},
        {"1e6c", std::numeric_limits<float>::infinity()},  // a ratio, refused by its bounds
        {"0/5", 0.0f},
    };
    for (const auto& [text, ratio] : cases) {
        const Result<float> read = parse_ratio_text(text);
        ASSERT_TRUE(read) << text;
        EXPECT_EQ(*read, ratio) << text;
    }
    const std::vector<std::pair<std::string, std::string>> refusals = {
        {"4/0", "\u20184/0\u2019: the denominator is 0."},
        {"abc",
         "\u2018abc\u2019 is not a ratio; write a decimal (1.25), a fraction (5/4) or "
         "cents (386.31c)."},
        {"4/3/2",
         "\u20184/3/2\u2019 is not a ratio; write a decimal (1.25), a fraction (5/4) "
         "or cents (386.31c)."},
        {"", "Type a ratio: write a decimal (1.25), a fraction (5/4) or cents (386.31c)."},
        {"c",
         "\u2018c\u2019 is not a ratio; write a decimal (1.25), a fraction (5/4) or cents "
         "(386.31c)."},
    };
    for (const auto& [text, message] : refusals) {
        const Result<float> read = parse_ratio_text(text);
        ASSERT_FALSE(read) << text;
        EXPECT_EQ(read.error().description, message) << text;
    }
}

TEST(NumberText, ShortestTextReadsBackToTheSameFloat) {
    EXPECT_EQ(number_text(3.43125033f), "3.4312503");
    EXPECT_EQ(number_text(0.005f), "0.005");
    EXPECT_EQ(number_text(20000.0f), "20000");
    EXPECT_EQ(number_text(1e-5f), "1e-05");
    EXPECT_EQ(number_text(-2.5f), "-2.5");
    // Random bit patterns: every finite float shows as text that reads back to its bits.
    std::mt19937 random(20240611);
    for (int i = 0; i < 20000; ++i) {
        const auto bits = static_cast<uint32_t>(random());
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        const std::optional<float> back = parse_number_text(number_text(value));
        ASSERT_TRUE(back) << number_text(value);
        ASSERT_EQ(std::memcmp(&*back, &value, sizeof value), 0) << number_text(value);
    }
    for (const char* text : {"", "abc", "1.5x", "inf", "nan", "0x10", "1e39", "1e-50", "- 1"})
        EXPECT_EQ(parse_number_text(text), std::nullopt) << text;
    EXPECT_EQ(parse_number_text(" +2.5 "), 2.5f);
}

TEST(CentsText, EqualStepsReadAsWholeCents) {
    const std::optional<std::vector<float>> twelve = generate_scale_values(12, 2.0);
    ASSERT_TRUE(twelve);
    for (size_t step = 0; step < twelve->size(); ++step)
        EXPECT_EQ(cents_text(cents_of_ratio((*twelve)[step])), std::to_string(step * 100)) << step;
    EXPECT_EQ(cents_text(cents_of_ratio(1.25f)), "386.314");
    EXPECT_EQ(cents_text(cents_of_ratio(1.0f)), "0");
    EXPECT_EQ(cents_text(-0.0001f), "0");
    EXPECT_EQ(cents_text(-701.955f), "-701.955");
}

}  // namespace
}  // namespace kelvara
