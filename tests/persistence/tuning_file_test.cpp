// Scale (.scl) and keyboard-mapping (.kbm) files: the files musicians really have
// (tests/persistence/data/scala), each read as its plain form; the bad ones (data/scala/bad),
// each refused for its own reason on its own line; and what the writers write reading back.
// (A scale table through a file and back is shown with the document, in the document tests.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "persistence/keyboard_mapping_file.h"
#include "persistence/scala_scale_file.h"

namespace kelvara {
namespace {

using ::testing::HasSubstr;
using testing::read_fixture;

// The plain file of a description and pitches, one a line.
ScalaScale plain(const std::string& description, const std::vector<std::string>& pitches) {
    std::string text = description + "\n" + std::to_string(pitches.size()) + "\n";
    for (const std::string& pitch : pitches) text += pitch + "\n";
    return *read_scala_scale(text);
}

// One file for each way real scale files differ from the plainest form, and the plain form
// each must read as (the same description, the same pitches, ratios and cents alike).
TEST(ScalaFiles, ReadsEveryKindOfRealWorldFileAsItsPlainForm) {
    const struct {
        const char* name;
        const char* description;
        std::vector<std::string> pitches;
    } files[] = {
        {"comments_anywhere.scl",
         "Quarter-comma meantone, part of a chain of fifths",
         {"76.04900", "193.15686", "5/4", "696.57843", "2/1"}},
        {"empty_description.scl", "", {"5/4", "3/2", "2/1"}},
        {"leading_spaces.scl",
         "Pentatonic in just intonation, indented",
         {"9/8", "5/4", "3/2", "5/3", "2/1"}},
        {"negative_cents.scl",
         "Neighbour tones around the unison",
         {"-50.0", "50.0", "-1150.5", "1200.0"}},
        {"trailing_text.scl",
         "Just major scale with interval names",
         {"9/8", "5/4", "4/3", "3/2", "5/3", "701.955", "2/1"}},
        {"crlf_line_ends.scl",
         "Eight equal divisions of the octave, CRLF",
         {"150.", "300.", "450.", "600.", "750.", "900.", "1050.", "2/1"}},
        {"cr_line_ends.scl", "Whole-tone scale", {"200.", "400.", "600.", "800.", "1000.", "2/1"}},
        {"byte_order_mark.scl",
         "P\xC3\xA9log-like pentatonic, non-ASCII description",
         {"120.", "270.", "540.", "670.", "2/1"}},
        {"no_final_line_end.scl",
         "Three-step tritave scale without a final line end",
         {"5/3", "7/3", "3/1"}},
        {"pythagorean_large_numbers.scl",
         "Pythagorean chain of twelve fifths up",
         {"531441/524288", "3486784401/2147483648", "2/1"}},
    };
    for (const auto& file : files) {
        const Result<ScalaScale> read =
            read_scala_scale(read_fixture("scala/" + std::string(file.name)));
        ASSERT_TRUE(read) << file.name << ": " << read.error().located_detail();
        EXPECT_EQ(*read, plain(file.description, file.pitches)) << file.name;
    }
    // The plain forms themselves: cents when there is a point, exact ratios otherwise.
    const ScalaScale forms = plain("", {"700.", "+.5", "-3.25", "3", "6/4"});
    EXPECT_EQ(forms.pitches[1].given_cents(), 0.5);
    EXPECT_EQ(forms.pitches[2].given_cents(), -3.25);
    EXPECT_EQ(forms.pitches[3].exact_ratio(), (ExactRatio{3, 1}));
    EXPECT_EQ(forms.pitches[4].exact_ratio(), (ExactRatio{6, 4}));
}

TEST(KeyboardMappingFiles, ReadsRealWorldFilesAndWhatTheWriterWrites) {
    const KeyboardMapping a440 = *read_keyboard_mapping(read_fixture("scala/linear_a440.kbm"));
    EXPECT_TRUE(a440.pattern.empty());
    EXPECT_EQ(a440.reference_key, 69);
    EXPECT_EQ(a440.reference_frequency_hz, 440.0);
    const KeyboardMapping white = *read_keyboard_mapping(read_fixture("scala/white_keys.kbm"));
    EXPECT_THAT(white.pattern,
                ::testing::ElementsAre(0, std::nullopt, 1, std::nullopt, 2, 3, std::nullopt, 4,
                                       std::nullopt, 5, std::nullopt, 6));
    EXPECT_EQ(white.formal_octave_degree, 7);
    // The last five entries left out are silent; text after a value is ignored.
    const KeyboardMapping shortened =
        *read_keyboard_mapping(read_fixture("scala/short_pattern.kbm"));
    EXPECT_EQ(shortened.pattern[6], 6);
    EXPECT_EQ(shortened.pattern[7], std::nullopt);
    EXPECT_EQ(shortened.reference_frequency_hz, 293.66);

    // What the writer writes reads back whole.
    KeyboardMapping pattern = linear_keyboard_mapping(69, 432.1234567891);
    pattern.first_key = 21;
    pattern.pattern = {0, std::nullopt, 1, 2, std::nullopt};
    pattern.formal_octave_degree = 3;
    EXPECT_EQ(*read_keyboard_mapping(write_keyboard_mapping(pattern, 0)), pattern);
}

TEST(ScalaFiles, KeepsTheDescriptionOneLineAndNoComment) {
    const std::pair<const char*, const char*> cases[] = {
        {"two\r\nlines", "two  lines"}, {"  !! not a comment", "not a comment"}, {"", ""}};
    for (const auto& [description, read_back] : cases) {
        const ScalaScale scale{description, {*ScalePitch::from_ratio(2, 1)}};
        EXPECT_EQ(read_scala_scale(write_scala_scale(scale))->description, read_back);
    }
}

// Why the file at `path` is refused, read by its kind; nothing when it is read.
std::optional<Error> refusal_of(const std::filesystem::path& path) {
    if (path.extension() == ".scl") {
        const Result<ScalaScale> scale = read_scala_scale_file(path);
        return scale ? std::nullopt : std::optional<Error>(scale.error());
    }
    const Result<KeyboardMapping> mapping = read_keyboard_mapping_file(path);
    return mapping ? std::nullopt : std::optional<Error>(mapping.error());
}

// Each bad file of data/scala/bad: the line its refusal names and a part of what it says.
TEST(TuningFiles, RefusesEachBadFileForItsOwnReasonOnItsLine) {
    const struct {
        const char* name;
        size_t line;  // 0: the file as a whole
        const char* detail;
    } files[] = {
        {"empty.scl", 1, "the file ends before the description line"},
        {"no_count.scl", 4, "the file ends before the count of pitches"},
        {"count_not_a_number.scl", 3, "the count of pitches must be a whole number, not 'twelve'"},
        {"count_zero.scl", 3, "the count of pitches is 0, but a scale needs at least its period"},
        {"count_above_limit.scl", 3, "the count of pitches, '10001', is above the limit of 10000"},
        {"too_few_pitches.scl", 3, "the count says 5 pitches, but the file has only 4"},
        {"too_many_pitches.scl", 7, "a pitch beyond the count of 2 given on line 3"},
        {"not_a_pitch.scl", 6, "'fifth' is not a pitch (a ratio such as 3/2"},
        {"zero_denominator.scl", 5, "the ratio '3/0' divides by zero"},
        {"zero_numerator.scl", 5, "the ratio '0/1' is not above zero"},
        {"negative_ratio.scl", 5, "the ratio '-3/2' is negative"},
        {"number_too_long.scl", 5, "has a number of more than 18 digits"},
        {"cents_too_large.scl", 5, "the cents '1200000.5' are beyond 1200000 either way"},
        {"cents_beyond_float.scl", 5, "the pitch '160000.0' is beyond the ratios a scale table"},
        {"utf16.scl", 0, "the file is UTF-16 text; Kelvara reads tuning files as ASCII or UTF-8"},
        {"nul_in_pitch.scl", 3, "'3/2\\x00' is not a pitch"},
        {"utf16_unmarked.kbm", 0, "the file is UTF-16 text"},
        {"period_unison.scl", 5, "the last pitch is the period, and it must be above 1/1"},
        {"map_size_too_large.kbm", 2, "the map size must be within 0..1024, not '5000'"},
        {"first_key_out_of_range.kbm", 3, "the first key to retune must be within 0..127"},
        {"last_below_first.kbm", 4, "the last key to retune, 32, is below the first, 64"},
        {"reference_key_not_a_number.kbm", 6, "the reference key must be a whole number, not 'A4'"},
        {"frequency_zero.kbm", 7, "the reference frequency must be a number of hertz above 0"},
        {"frequency_missing.kbm", 7, "the file ends before the reference frequency"},
        {"formal_octave_negative.kbm", 8, "the formal octave degree must be within 0..1000000"},
        {"entry_not_a_degree.kbm", 10, "a map entry must be a degree from 0 to 1000000 or x"},
        {"too_many_entries.kbm", 11, "more map entries than the map size of 2"},
        {"reference_on_silent_key.kbm", 6, "the reference key 61 falls on a silent (x) entry"},
    };
    ASSERT_EQ(std::size(files), testing::files_in("scala/bad"));
    for (const auto& file : files) {
        const std::string name = file.name;
        const std::filesystem::path path = testing::fixture_path("scala/bad/" + name);
        const std::optional<Error> refused = refusal_of(path);
        ASSERT_TRUE(refused) << name;
        const Error& error = *refused;
        EXPECT_EQ(error.where.line.value_or(0), file.line) << name;
        EXPECT_EQ(error.where.file, path.string()) << name;
        EXPECT_THAT(error.detail, HasSubstr(file.detail)) << name;
        EXPECT_THAT(error.description, HasSubstr(name.ends_with(".scl") ? "scale" : "mapping"));
    }
    std::string huge = "big\n1\n2/1\n";
    huge.append(size_t{1} << 20, '!');
    EXPECT_THAT(read_scala_scale(huge).error().detail, HasSubstr("larger than 1 MiB"));
}

}  // namespace
}  // namespace kelvara
