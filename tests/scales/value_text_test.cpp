// Values as a person types them and as fields and cells show them: chord text with its
// separators and refusals, ratios as decimals, fractions and cents, the shortest text that
// reads back, cents at the precision a ratio carries, and reading that does not depend on the
// process locale.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>

#include "scales/chord_text.h"
#include "scales/decimal_text.h"
#include "scales/ratio_form.h"
#include "scales/ratio_list.h"
#include "scales/ratio_text.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

std::optional<Chord> parse(std::string_view text) {
    Result<Chord> chord = parse_chord(text);
    if (!chord) return std::nullopt;
    return *chord;
}

// Tones written with the shortest text that reads back, joined with commas.
TEST(ChordText, ShortestTextJoinedWithCommas) {
    const std::vector<std::pair<Chord, std::string>> cases = {
        {{110.0f}, "110"},
        {{1.0f, 1.5f, 220.5f}, "1 @ 1,1.5,220.5"},  // below 20 Hz: over a root of 1 Hz
        {{110.0f * 16.0f / 15.0f}, "117.333336"},
    };
    for (const auto& [chord, text] : cases) {
        EXPECT_EQ(chord_text(chord), text);
        EXPECT_EQ(parse(text), chord) << text;
    }
}

// Frequency lists and root forms, one table: the same chord, refusals that say where.
TEST(ChordText, TakesBlanksBesideTheSeparatorsAndSaysWhatIsWrongWhere) {
    for (const char* text : {"220 275 330", "\t220,\n275  330 ", "220 / 275;330_", "220|275:330",
                             "220 @ 1 5/4 3/2", " 220@1,1.25, 1.5 ", "110 @ 2 5/2 3"}) {
        const Result<TypedChord> typed = parse_typed_chord(text);
        ASSERT_TRUE(typed) << text;
        EXPECT_EQ(typed->tones, (Chord{220.0f, 275.0f, 330.0f})) << text;
        EXPECT_EQ(typed->root_form.empty(), !is_root_form(text)) << text;
    }
    EXPECT_EQ(parse_typed_chord(" 220@1,1.25, 1.5 ")->root_form, "220@1,1.25, 1.5");
    EXPECT_NEAR(parse("220 @ 0c 386.3c 702c")->at(2), 330.0f, 0.01f);
    const std::pair<const char*, std::string> refusals[] = {
        {"220,,330", "\u2018,\u2019 at position 5: expected a number"},
        {" ", "No frequency given: type at least one"},
        {"220 0", "\u20180\u2019 at position 5: a chord tone must be 1\u201320000 Hz"},
    };
    for (const auto& [text, what] : refusals) {
        const Result<Chord> refused = parse_chord(text);
        ASSERT_FALSE(refused) << text;
        EXPECT_EQ(refused.error().description,
                  what + "; separate tones with , | : ; / \\ - _ space or tab");
    }
    const std::pair<const char*, std::string> root_form_refusals[] = {
        // Intervals typed as a list: the message shows the root form.
        {"220 5/4 3/2",
         "\u20185\u2019 at position 5: a listed tone must be at least 20 Hz; for "
         "intervals over a root write the root form, e.g. 220 @ 1 5/4 3/2"},
        {"220 @ 1 x", "\u2018x\u2019 at position 9: expected an interval"},
        {" @ 1", "No root before @"},
        {"220 @", "No interval after @"},
        {"220 @ 1 200", "\u2018200\u2019 at position 9 gives 44000 Hz"},
    };
    for (const auto& [text, what] : root_form_refusals) {
        const Result<Chord> refused = parse_chord(text);
        ASSERT_FALSE(refused) << text;
        EXPECT_THAT(refused.error().description, ::testing::StartsWith(what)) << text;
    }
}

TEST(NumberText, LeadingNumbersOfFields) {
    EXPECT_EQ(leading_integer_value("12"), 12);
    EXPECT_EQ(leading_integer_value("  -2 steps"), -2);
    EXPECT_EQ(leading_integer_value("19.9"), 19);
    EXPECT_EQ(leading_integer_value("99999999999999"), 2147483647);
    EXPECT_EQ(leading_double_value(" 3.5e1x"), 35.0);
    for (const char* text : {"inf", "nan", "0x10", "1e999", ""})
        EXPECT_EQ(leading_double_value(text), 0.0) << text;
}

TEST(RatioText, DecimalsFractionsAndCents) {
    const std::pair<const char*, float> ratios[] = {{"1.25", 1.25f},
                                                    {" 4 / 3 ", 4.0f / 3.0f},
                                                    {"386.31c", ratio_of_cents(386.31f)},
                                                    {"1200C", 2.0f}};
    for (const auto& [text, ratio] : ratios) {
        const Result<float> read = parse_ratio_text(text);
        ASSERT_TRUE(read) << text;
        EXPECT_EQ(*read, ratio);
    }
    const std::pair<const char*, const char*> refusals[] = {
        {"4/0", "\u20184/0\u2019: the denominator is 0."},
        {"4/3/2",
         "\u20184/3/2\u2019 is not a ratio; write a decimal (1.25), a fraction (5/4) or "
         "cents (386.31c)."},
        {"", "Type a ratio: write a decimal (1.25), a fraction (5/4) or cents (386.31c)."},
    };
    for (const auto& [text, message] : refusals) {
        const Result<float> refused = parse_ratio_text(text);
        ASSERT_FALSE(refused) << text;
        EXPECT_EQ(refused.error().description, message);
    }
}

// A Ratio cell shows its form while the form names the float, else p/q for the nearest
// float to a simple fraction, else the float's shortest text.
TEST(RatioForm, ShownWhileItNamesItsRatioElsePqOrTheShortestFloat) {
    const float nineteen = *ratio_of_form("63.15789c");
    const std::tuple<float, const char*, const char*> cases[] = {
        {16.0f / 15.0f, "", "16/15"},          // a just value read as a decimal
        {nineteen, "63.15789c", "63.15789c"},  // cents as written
        {1.25f, "386.31c", "5/4"},             // a form of another ratio is not shown
        {static_cast<float>(129.0 / 128.0), "", "129/128"},
        {static_cast<float>(131.0 / 129.0), "", "1.0155039"},  // beyond the denominator bound
    };
    for (const auto& [ratio, form, shown] : cases)
        EXPECT_EQ(ratio_display_text(ratio, form), shown) << form;
    EXPECT_EQ(form_of_pitch(*ScalePitch::from_cents(63.15789)), "63.15789c");
    EXPECT_EQ(cents_form_of(1200.0 / 19.0, 5, nineteen), "63.15789c");
    EXPECT_EQ(cents_form_of(1200.0 / 19.0, 1, nineteen), std::nullopt);  // 63.2 is another float
}

TEST(NumberText, EveryFloatShowsAsTheShortestTextThatReadsBackToItsBits) {
    EXPECT_EQ(number_text(3.43125033f), "3.4312503");
    std::mt19937 random(20240611);
    for (int i = 0; i < 20000; ++i) {
        const auto bits = static_cast<uint32_t>(random());
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        const std::optional<float> back = parse_number_text(number_text(value));
        ASSERT_TRUE(back && std::memcmp(&*back, &value, sizeof value) == 0) << number_text(value);
    }
}

TEST(CentsText, EqualStepsReadAsWholeCents) {
    const std::vector<float> twelve = generate_scale_values(12, 2.0).value();
    for (size_t step = 0; step < twelve.size(); ++step)
        EXPECT_EQ(cents_text(cents_of_ratio(twelve[step])), std::to_string(step * 100));
    EXPECT_EQ(cents_text(cents_of_ratio(1.25f)), "386.314");
}

// Switches LC_ALL to a comma-decimal locale for one test and back afterwards. The system's
// German or French locale is used when installed; otherwise one is compiled with localedef
// into the build tree (LOCPATH) once and reused by later runs.
class CommaLocale {
public:
    CommaLocale() {
        const char* current = std::setlocale(LC_ALL, nullptr);
        previous_ = current ? current : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
            if (std::setlocale(LC_ALL, name)) return;
        const std::filesystem::path dir = KELVARA_TEST_LOCALE_DIR;
        const std::filesystem::path locale = dir / "de_DE.UTF-8";
        if (!std::filesystem::exists(locale / "LC_NUMERIC")) {
            std::filesystem::create_directories(dir);
            const std::string command =
                "localedef -i de_DE -f UTF-8 '" + locale.string() + "' >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0) return;
        }
        ::setenv("LOCPATH", dir.c_str(), 1);
        set_locpath_ = true;
        std::setlocale(LC_ALL, "de_DE.UTF-8");
    }
    ~CommaLocale() {
        std::setlocale(LC_ALL, previous_.c_str());
        if (set_locpath_) ::unsetenv("LOCPATH");
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    // Whether the decimal point of the C library is now a comma.
    static bool active() { return std::string(std::localeconv()->decimal_point) == ","; }

private:
    std::string previous_;
    bool set_locpath_ = false;
};

TEST(ChordLocale, ReadsAndWritesPointDecimalsUnderACommaLocale) {
    const CommaLocale german;
    if (!CommaLocale::active())
        GTEST_SKIP() << "no comma-decimal locale is installed and localedef could not make one";
    ASSERT_EQ(std::atof("220.5"), 220.0) << "the C library now reads with a comma";
    EXPECT_EQ(parse("220.5,330.25"), (Chord{220.5f, 330.25f}));
    EXPECT_EQ(chord_text({220.5f, 117.33333f}), "220.5,117.33333");
    EXPECT_EQ(leading_double_value("1.05"), 1.05);
}

}  // namespace
}  // namespace kelvara
