// Scales generated from a period and a generator, and harmonic segments: the degrees (exact
// where the numbers are exact), the step pattern and the moment-of-symmetry sizes. (The
// diatonic chain of fifths and its sizes as a user asks for them: tests/cli.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scales/generated_scale.h"
#include "scales/ratio_text.h"

namespace kelvara {
namespace {

ScalePitch pitch(const char* text) {
    return *parse_pitch_text(text);
}

// Each degree as "p/q", or as cents to three decimals.
std::vector<std::string> texts(const GeneratedScale& scale) {
    std::vector<std::string> out;
    for (const ScalePitch& p : scale.degrees) {
        if (const auto exact = p.exact_ratio()) {
            out.push_back(std::to_string(exact->numerator) + "/" +
                          std::to_string(exact->denominator));
        } else {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.3fc", p.cents());
            out.push_back(buffer);
        }
    }
    return out;
}

TEST(GeneratedScales, DegreesAndStepPatterns) {
    const struct {
        const char* what;
        Result<GeneratedScale> scale;
        std::vector<std::string> degrees;
        std::string pattern;
    } table[] = {
        {"quarter-comma meantone major",
         rank_two_scale({pitch("2/1"), pitch("696.578c"), 7, 1}),
         {"193.156c", "386.312c", "503.422c", "696.578c", "889.734c", "1082.890c", "2/1"},
         "LLsLLLs"},
        {"pentatonic, no generator down",
         rank_two_scale({pitch("2"), pitch("3/2"), 5, 0}),
         {"9/8", "81/64", "3/2", "27/16", "2/1"},
         "ssLsL"},
        {"a tritave period",
         rank_two_scale({pitch("3/1"), pitch("9/7"), 4, 0}),
         {"9/7", "81/49", "729/343", "3/1"},
         "sssL"},
        {"harmonics 8 to 16",
         harmonic_segment(8, 16),
         {"9/8", "5/4", "11/8", "3/2", "13/8", "7/4", "15/8", "2/1"},
         "ABCDEFGH"},
        {"harmonics 4 to 12, reduced",
         harmonic_segment(4, 12),
         {"9/8", "5/4", "11/8", "3/2", "7/4", "2/1"},
         "CDEFAB"},
        {"subharmonics 8 to 16",
         subharmonic_segment(8, 16),
         {"16/15", "8/7", "16/13", "4/3", "16/11", "8/5", "16/9", "2/1"},
         "HGFEDCBA"},
    };
    for (const auto& row : table) {
        ASSERT_TRUE(row.scale.ok()) << row.what << ": " << row.scale.error().description;
        EXPECT_EQ(texts(*row.scale), row.degrees) << row.what;
        EXPECT_EQ(row.scale->step_pattern, row.pattern) << row.what;
    }
}

TEST(GeneratedScales, MomentOfSymmetrySizes) {
    // A fifth of 12 equal steps closes the chain at 12; 8 to 10 notes of it have steps of
    // only two sizes, but thirds of three (11 notes: one large step, ten small).
    EXPECT_EQ(moment_of_symmetry_sizes(pitch("2/1"), pitch("700c"), 60),
              (std::vector<int32_t>{2, 3, 5, 7, 11, 12}));
    EXPECT_EQ(moment_of_symmetry_sizes(pitch("2/1"), pitch("696.578c"), 40),
              (std::vector<int32_t>{2, 3, 5, 7, 12, 19, 31}));
    EXPECT_TRUE(moment_of_symmetry_sizes(pitch("1/1"), pitch("3/2"), 60).empty());
}

TEST(GeneratedScales, RefusesWhatCannotMakeAScale) {
    const Result<GeneratedScale> refused[] = {
        rank_two_scale({pitch("1/1"), pitch("3/2"), 7, 1}),
        rank_two_scale({pitch("2/1"), pitch("3/2"), 0, 0}),
        rank_two_scale({pitch("2/1"), pitch("3/2"), kMaxGeneratedScaleSize + 1, 0}),
        rank_two_scale({pitch("2/1"), pitch("3/2"), 7, 7}),
        rank_two_scale({pitch("2/1"), pitch("700c"), 13, 0}),  // the 13th note is 1/1 again
        harmonic_segment(0, 8),
        harmonic_segment(1, kMaxHarmonic + 1),
        harmonic_segment(8, 16, pitch("1/2")),
    };
    for (const auto& result : refused) EXPECT_FALSE(result.ok());
    EXPECT_FALSE(parse_pitch_text("0/3").ok());
    EXPECT_EQ(parse_pitch_text("1.5")->cents(), parse_pitch_text("3/2")->cents());
}

}  // namespace
}  // namespace kelvara
