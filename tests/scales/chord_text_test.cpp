// Chord text: the number form written and read back, every accepted and rejected way of
// typing a chord, and reading that does not depend on the process locale.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/system_texts.h"
#include "scales/chord_text.h"
#include "scales/decimal_text.h"

namespace kelvara {
namespace {

std::optional<Chord> parse(std::string_view text) {
    Result<Chord> chord = parse_chord(text);
    if (!chord) return std::nullopt;
    return *chord;
}

// Tones written with seven significant digits and no trailing zeros, joined with commas; the
// text reads back to the same chord when the tones need no more digits than that.
TEST(ChordText, SevenSignificantDigitsJoinedWithCommas) {
    const std::vector<std::tuple<Chord, std::string, bool>> cases = {
        {{110.0f}, "110", true},
        {{220.0f, 275.0f, 330.0f}, "220,275,330", true},
        {{}, "", true},
        {{0.0f, 1.5f, 220.5f}, "0,1.5,220.5", true},
        {{999999.0f, 0.0001f}, "999999,0.0001", true},
        {{123456.7f, 0.0001234f}, "123456.7,0.0001234", true},
        {{2e10f, 1e7f}, "2e+10,1e+07", true},
        {{110.0f * 16.0f / 15.0f}, "117.3333", false},
        {{123456789.0f, 0.5f}, "1.234568e+08,0.5", false},
        // Below 0.0001 the exponent's hyphen separates: the one text that does not read back.
        {{0.00001f}, "1e-05", false},
    };
    for (const auto& [chord, text, reads_back] : cases) {
        EXPECT_EQ(chord_text(chord), text);
        EXPECT_EQ(parse(text) == chord, reads_back) << text;
    }
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
    for (const char* text : {"inf", "nan", "0x10", "1e999", ""})
        EXPECT_EQ(leading_double_value(text), 0.0) << text;
}

TEST(ChordParsing, AcceptsEverySeparatorBlanksAndTrailingText) {
    const Chord triad{220.0f, 275.0f, 330.0f};
    for (const char* text :
         {"220,275,330", "220 / 275 / 330", "220;275_330", "220|275:330", "220\\275-330",
          "  220,275,330  ", "220,275,330,", "220,275,330, \n", "\t220,\n275,330"})
        EXPECT_EQ(parse(text), triad) << text;
    const std::vector<std::pair<std::string, Chord>> cases = {
        {"", {}},
        {"   \n ", {}},
        {"220 , 330,", {220.0f, 330.0f}},
        {"1.5abc", {1.5f}},
        {"0", {0.0f}},  // 0 Hz only as the plain text 0
        {"0,330", {0.0f, 330.0f}},
        {"300-220", {300.0f, 220.0f}},  // the hyphen separates,
        {"1e-5", {1.0f, 5.0f}},         // even inside an exponent
        {"+5,2e2,.5", {5.0f, 200.0f, 0.5f}},
        {"220,220", {220.0f, 220.0f}},
    };
    for (const auto& [text, chord] : cases) EXPECT_EQ(parse(text), chord) << text;
}

TEST(ChordParsing, RejectsZeroLikeEmptyAndOutOfRangeFields) {
    for (const char* text :
         {"0.0", "00", "abc", "0 ", "0 ,330", "0.0,330", "220,abc", "220,,330", ",220", " , ",
          "220,330,,", "inf", "nan", "0x10", "1e39",
          "0.00000000000000000000000000000000000000000000001", "1e999", "+", "220,.,330"})
        EXPECT_EQ(parse(text), std::nullopt) << text;
    const Result<Chord> refused = parse_chord("220,abc,330");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().description, "Incorrectly formated string");
    EXPECT_EQ(refused.error().located_detail(), "byte 4: \"abc\" is not a frequency");
    EXPECT_EQ(parse_chord("220,,330").error().located_detail(), "byte 4: an empty field");
    EXPECT_EQ(localized_string("No such text"), "No such text");
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
