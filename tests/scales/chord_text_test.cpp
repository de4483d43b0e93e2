// Chord text: the number form written, every accepted and rejected way of typing a chord,
// round trips, and reading that does not depend on the process locale.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "base/system_texts.h"
#include "scales/chord_text.h"
#include "scales/decimal_text.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

std::optional<Chord> parse(std::string_view text) {
    Result<Chord> chord = parse_chord(text);
    if (!chord) return std::nullopt;
    return *chord;
}

TEST(NumberText, SevenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(number_text(110.0f), "110");
    EXPECT_EQ(number_text(220.5f), "220.5");
    EXPECT_EQ(number_text(110.0f * 16.0f / 15.0f), "117.3333");
    EXPECT_EQ(number_text(123456789.0f), "1.234568e+08");
    EXPECT_EQ(number_text(999999.0f), "999999");
    EXPECT_EQ(number_text(1e7f), "1e+07");
    EXPECT_EQ(number_text(0.0001f), "0.0001");
    EXPECT_EQ(number_text(0.00001f), "1e-05");
    EXPECT_EQ(number_text(0.0f), "0");
    EXPECT_EQ(number_text(1.5f), "1.5");
}

TEST(NumberText, LeadingNumbersOfFields) {
    EXPECT_EQ(leading_integer_value("12"), 12);
    EXPECT_EQ(leading_integer_value("  -2 steps"), -2);
    EXPECT_EQ(leading_integer_value("19.9"), 19);
    EXPECT_EQ(leading_integer_value("abc"), 0);
    EXPECT_EQ(leading_integer_value("99999999999999"), 2147483647);
    EXPECT_EQ(leading_integer_value("-99999999999999"), -2147483647 - 1);
    EXPECT_EQ(leading_double_value(" 3.5e1x"), 35.0);
    EXPECT_EQ(leading_double_value("+.5"), 0.5);
    EXPECT_EQ(leading_double_value("inf"), 0.0);
    EXPECT_EQ(leading_double_value("nan"), 0.0);
    EXPECT_EQ(leading_double_value("0x10"), 0.0);
    EXPECT_EQ(leading_double_value("1e999"), 0.0);
    EXPECT_EQ(leading_double_value(""), 0.0);
}

TEST(ChordFormatting, JoinsWithCommas) {
    EXPECT_EQ(chord_text(Chord{110.0f}), "110");
    EXPECT_EQ(chord_text(Chord{220.0f, 275.0f, 330.0f}), "220,275,330");
    EXPECT_EQ(chord_text(Chord{}), "");
    EXPECT_EQ(chord_text(Chord{123456789.0f, 0.5f}), "1.234568e+08,0.5");
}

TEST(ChordParsing, AcceptsEverySeparatorBlanksAndTrailingText) {
    const Chord triad{220.0f, 275.0f, 330.0f};
    for (const char* text :
         {"220,275,330", "220 / 275 / 330", "220;275_330", "220|275:330", "220\\275-330",
          "  220,275,330  ", "220,275,330,", "220,275,330, \n", "\t220,\n275,330"})
        EXPECT_EQ(parse(text), triad) << text;
    EXPECT_EQ(parse(""), Chord{});
    EXPECT_EQ(parse("   \n "), Chord{});
    EXPECT_EQ(parse("220,330,"), (Chord{220.0f, 330.0f}));
    EXPECT_EQ(parse("220 , 330"), (Chord{220.0f, 330.0f}));
    EXPECT_EQ(parse("1.5abc"), Chord{1.5f});
    EXPECT_EQ(parse("0"), Chord{0.0f});
    EXPECT_EQ(parse("0,330"), (Chord{0.0f, 330.0f}));
    EXPECT_EQ(parse("300-220"), (Chord{300.0f, 220.0f})) << "the hyphen separates";
    EXPECT_EQ(parse("1e-5"), (Chord{1.0f, 5.0f})) << "even inside an exponent";
    EXPECT_EQ(parse("+5,2e2,.5"), (Chord{5.0f, 200.0f, 0.5f}));
    EXPECT_EQ(parse("220,220"), (Chord{220.0f, 220.0f}));
}

TEST(ChordParsing, RejectsZeroLikeEmptyAndOutOfRangeFields) {
    for (const char* text :
         {"0.0", "00", "abc", "0 ", "0 ,330", "0.0,330", "220,abc", "220,,330", ",220", " , ",
          "220,330,,", "inf", "nan", "0x10", "1e39",
          "0.00000000000000000000000000000000000000000000001", "1e999", "+", "220,.,330"})
        EXPECT_EQ(parse(text), std::nullopt) << text;
}

TEST(ChordParsing, AFailureGivesTheErrorTextAndTheFieldThatWasWrong) {
    const Result<Chord> refused = parse_chord("220,abc,330");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().description, "Incorrectly formated string");
    EXPECT_EQ(refused.error().located_detail(), "byte 4: \"abc\" is not a frequency");
    EXPECT_EQ(parse_chord("220,,330").error().located_detail(), "byte 4: an empty field");
    EXPECT_EQ(parse("110"), Chord{110.0f});
}

TEST(SystemTexts, AnUntranslatedKeyStandsForItself) {
    EXPECT_EQ(localized_string(kIncorrectlyFormattedChordKey), "Incorrectly formated string");
    EXPECT_EQ(localized_string("No such text"), "No such text");
}

TEST(ChordRoundTrips, TextNormalisesAndChordsSurvive) {
    EXPECT_EQ(chord_text(*parse("220 ; 330")), "220,330");
    EXPECT_EQ(chord_text(*parse("1.50_2.000")), "1.5,2");
    // Chords of values written with seven digits read back to the same floats when the
    // value has no more precision than that.
    for (const Chord& chord :
         {Chord{110.0f, 117.25f, 0.0f}, Chord{123456.7f, 0.0001234f}, Chord{2e10f, 440.0f}})
        EXPECT_EQ(parse(chord_text(chord)), chord);
    // Below 0.0001 the exponent's hyphen separates: the one text that does not read back.
    EXPECT_EQ(chord_text({0.00001f}), "1e-05");
    EXPECT_EQ(parse("1e-05"), (Chord{1.0f, 5.0f}));
    // Any float comes back within the seven digits written.
    const float third = 110.0f * 16.0f / 15.0f;
    EXPECT_NEAR(parse(chord_text({third}))->front(), third, 1e-4f);
}

TEST(ChordParsing, AnyTextGivesAnErrorOrFiniteTonesThatFormatStably) {
    // Random texts over the characters that matter to the reader: every outcome is either
    // the error or a chord of finite, non-negative tones whose text reads back to itself.
    constexpr std::string_view kAlphabet = "0123456789.eE+ \t\n,|:;/\\-_ax";
    std::mt19937 random(20240607);
    std::uniform_int_distribution<size_t> pick(0, kAlphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 24);
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        for (int n = length(random); n > 0; --n) text += kAlphabet[pick(random)];
        const std::optional<Chord> chord = parse(text);
        if (!chord) continue;
        ++accepted;
        for (const float tone : *chord) ASSERT_TRUE(std::isfinite(tone) && tone >= 0.0f) << text;
        const std::string written = chord_text(*chord);
        const std::optional<Chord> reread = parse(written);
        ASSERT_TRUE(reread.has_value()) << text << " -> " << written;
        EXPECT_EQ(chord_text(*reread), written) << text;
    }
    EXPECT_GT(accepted, 100) << "the texts should exercise the accepting paths too";
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
    EXPECT_EQ(chord_text({220.5f, 117.33333f}), "220.5,117.3333");
    EXPECT_EQ(leading_double_value("1.05"), 1.05);
}

}  // namespace
}  // namespace kelvara
