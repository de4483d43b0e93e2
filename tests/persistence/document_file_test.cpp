// The document file's content: every field survives a round trip, the fixtures of other
// writers read to the right values, the version rules hold, and each class of bad file is
// refused for its own reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "fixtures.h"
#include "persistence/document_file.h"
#include "persistence/property_list.h"

namespace kelvara {
namespace {

// The state of a text that must be accepted.
DocumentFileState decoded(std::string_view text) {
    Result<DocumentFileState> state = decode_document_state(text);
    EXPECT_TRUE(state) << state.error().located_detail();
    return state ? *state : DocumentFileState{};
}

using kelvara::testing::fixture_path;
using kelvara::testing::read_fixture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

static_assert(std::is_copy_constructible_v<DocumentFileState>);
static_assert(std::is_nothrow_move_constructible_v<DocumentFileState>);

DocumentFileState edited_state() {
    DocumentFileState s;
    s.scale_ratios = {1.0f, 1.2f, 1.25f, 1.5f, 2.0f};
    s.overtone_type = FlatHarmonics;
    s.dissonance_ratios = {1.0f, 1.25f, 1.5f};
    s.base_frequency = 440.1;
    s.x_min = 0.75f;
    s.x_max = 2.5f;
    s.y_min = -1.0f;
    s.y_max = 3.25f;
    s.plot_justs = true;
    s.plot_selected_ratio = true;
    s.plot_dy = true;
    s.step_size = 0.0025;
    s.number_of_overtones = 40;
    s.volume = 127;
    s.midi_note_numbers = {67, 60, 64};
    s.chords = {{60, {261.63f, 329.63f, 392.0f}}, {64, {}}, {67, {110.5f, 110.5f}}};
    return s;
}

TEST(DocumentFileRoundTrip, EveryFieldSurvives) {
    const DocumentFileState saved = edited_state();
    const DocumentFileState read = decoded(encode_document_state(saved));
    // The two 64-bit fields come back as the nearest 32-bit float.
    EXPECT_EQ(read.base_frequency, 440.1000061035156);
    EXPECT_EQ(read.step_size, static_cast<double>(0.0025f));
    DocumentFileState expected = saved;
    expected.base_frequency = read.base_frequency;
    expected.step_size = read.step_size;
    EXPECT_EQ(read, expected);
    EXPECT_THAT(read.midi_note_numbers, ElementsAre(67, 60, 64));

    const DocumentFileState defaults;
    EXPECT_EQ(decoded(encode_document_state(defaults)), defaults);
}

TEST(DocumentFileWrite, TextLayout) {
    const std::string text = encode_document_state(DocumentFileState{});
    const auto entries = *plist::parse(text).as<plist::Dictionary>();
    std::vector<std::string> keys;
    for (const auto& [key, value] : entries) keys.push_back(key);
    EXPECT_THAT(
        keys,
        ElementsAre("Kelvara Document Version", "Kelvara scale ratios", "Kelvara overtone types",
                    "Kelvara dissonance ratios", "Kelvara base frequency", "Kelvara graph x min",
                    "Kelvara graph x max", "Kelvara graph y min", "Kelvara graph y max",
                    "Kelvara plot justs", "Kelvara plot x", "Kelvara plot dx", "Kelvara step size",
                    "Kelvara number of overtones", "Kelvara Volume", "Kelvara midi keys",
                    "Kelvara chords"));
    EXPECT_THAT(text, HasSubstr("\n    \"Kelvara Document Version\" = 2;\n"));
    // The volume 64 as the platform archives an int number.
    EXPECT_THAT(text, HasSubstr("\"Kelvara Volume\" = <040b7374 7265616d 74797065 6481e803 "
                                "84014084 8484084e 534e756d 62657200 8484074e 5356616c 75650084 "
                                "84084e53 4f626a65 63740085 84012a84 84016997 4086>;"));
    for (const char c : text) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(DocumentFileRead, AFileOfAnotherWriterGivesItsValues) {
    const DocumentFileState s = decoded(read_fixture("full.kelvara"));
    EXPECT_EQ(s.version, 2);
    EXPECT_THAT(s.scale_ratios, ElementsAre(1.0f, 1.25f, 1.5f, 2.0f));
    EXPECT_EQ(s.overtone_type, ShapedHarmonics);
    EXPECT_THAT(s.dissonance_ratios, ElementsAre(1.0f, 1.5f));
    EXPECT_EQ(s.base_frequency, 440.1000061035156);
    EXPECT_EQ(s.x_min, 0.9f);
    EXPECT_EQ(s.x_max, 2.1f);
    EXPECT_EQ(s.y_min, -0.5f);
    EXPECT_EQ(s.y_max, 5.0f);
    EXPECT_TRUE(s.plot_justs);
    EXPECT_FALSE(s.plot_selected_ratio);
    EXPECT_TRUE(s.plot_dy);
    EXPECT_EQ(s.step_size, static_cast<double>(0.01f));
    EXPECT_EQ(s.number_of_overtones, 12);
    EXPECT_EQ(s.volume, 100);
    EXPECT_THAT(s.midi_note_numbers, ElementsAre(64, 60));
    EXPECT_THAT(s.chords.at(60), ElementsAre(261.63f, 329.63f));
    EXPECT_THAT(s.chords.at(64), ElementsAre(329.63f, 392.0f));
    // Our writer reproduces that file byte for byte.
    EXPECT_EQ(encode_document_state(s), read_fixture("full.kelvara"));
}

TEST(DocumentFileRead, VersionRules) {
    // Version 1, or none: the derivative entry is ignored.
    const DocumentFileState v1 = decoded(read_fixture("version1_with_plot_dx.kelvara"));
    EXPECT_EQ(v1.version, 1);
    EXPECT_FALSE(v1.plot_dy);
    const DocumentFileState none = decoded(read_fixture("no_version.kelvara"));
    EXPECT_EQ(none.version, 0);
    EXPECT_FALSE(none.plot_dy);
    // The version as text and as an integer number both read as 2.
    const DocumentFileState as_integer = decoded(read_fixture("version_as_integer.kelvara"));
    EXPECT_EQ(as_integer.version, 2);
    EXPECT_TRUE(as_integer.plot_dy);
    // A higher version reads like version 2; text reads as its leading integer.
    std::string text = read_fixture("full.kelvara");
    text.replace(text.find("= 2;"), 4, "= \" 17th\";");
    EXPECT_EQ(decoded(text).version, 17);
    EXPECT_TRUE(decoded(text).plot_dy);
    text.replace(text.find("= \" 17th\";"), 10, "= <*R1.9>;");
    EXPECT_EQ(decoded(text).version, 1);
    EXPECT_FALSE(decoded(text).plot_dy);
}

TEST(DocumentFileRead, MissingOptionalEntriesTakeTheirDefaults) {
    const DocumentFileState s = decoded(read_fixture("without_optional_entries.kelvara"));
    EXPECT_EQ(s.step_size, 0.004999999888241291);
    EXPECT_EQ(s.number_of_overtones, 25);
}

TEST(DocumentFileRead, OtherNumericTypesAreConverted) {
    // Scalars stored as other number types: a double frequency, an int where a float belongs
    // and a float where an int belongs.
    DocumentFileState s;
    std::string text = encode_document_state(s);
    const auto replace_entry = [&text](const std::string& key, const std::string& data) {
        const size_t at = text.find("\"" + key + "\" = <");
        const size_t end = text.find('>', at);
        text.replace(at, end + 1 - at, "\"" + key + "\" = <" + data + ">");
    };
    const std::string number_prefix =
        "040b73747265616d747970656481e803840140848484084e534e756d626572008484074e5356616c7565"
        "008484084e534f626a656374008584012a";
    replace_entry("Kelvara base frequency", number_prefix + "8484016497 83 0000000000807b40 86");
    replace_entry("Kelvara graph y max", number_prefix + "8484016997 05 86");
    replace_entry("Kelvara number of overtones", number_prefix + "8484016697 0c 86");
    replace_entry("Kelvara plot justs", number_prefix + "8484017197 02 86");
    const DocumentFileState read = decoded(text);
    EXPECT_EQ(read.base_frequency, 440.0);
    EXPECT_EQ(read.y_max, 5.0f);
    EXPECT_EQ(read.number_of_overtones, 12);
    EXPECT_TRUE(read.plot_justs);
}

// Each bad fixture is refused, for the reason its name gives.
TEST(DocumentFileRead, EachClassOfBadFileIsRefusedForItsReason) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"not_a_property_list", "not a property list"},
        {"root_is_an_array", "not a dictionary"},
        {"truncated_blob", "ends early"},
        {"count_larger_than_data", "larger than the data"},
        {"wrong_class", "not a number"},
        {"eleven_fixed_tones", "more than ten fixed tones"},
        {"zero_step", "step size"},
        {"range_too_wide_for_step", "x range"},
        {"missing_volume", "\"Kelvara Volume\": missing"},
        {"no_overtones", "number of overtones"},
        {"timbre_type_6", "timbre type"},
        {"fractional_chord_key", "not a 32-bit integer"},
        {"infinite_ratio", "scale ratio is not finite"},
        {"key_listed_twice", "listed twice"},
        {"version_is_a_list", "\"Kelvara Document Version\": not a number"},
        {"scalar_is_text", "\"Kelvara Volume\": not data"},
    };
    size_t bad_files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(fixture_path("bad")))
        ++bad_files;
    EXPECT_EQ(cases.size(), bad_files) << "every bad fixture has a case here";
    for (const auto& [name, why] : cases) {
        const Result<DocumentFileState> state =
            decode_document_state(read_fixture("bad/" + name + ".kelvara"));
        ASSERT_FALSE(state) << name << " was accepted";
        EXPECT_THAT(state.error().located_detail(), HasSubstr(why)) << name;
    }
}

TEST(DocumentFileValidation, LimitsOfTheEngine) {
    const auto refused = [](auto change) {
        DocumentFileState s;
        change(s);
        return !validate_document_state(s).ok();
    };
    EXPECT_FALSE(refused([](DocumentFileState& s) { s.dissonance_ratios.assign(10, 1.5f); }));
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.dissonance_ratios.assign(11, 1.5f); }));
    EXPECT_FALSE(refused([](DocumentFileState& s) { s.dissonance_ratios.clear(); }));
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.step_size = -0.01; }));
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.step_size = 1e-9; }));
    EXPECT_FALSE(refused([](DocumentFileState& s) { s.x_max = 4.0f; }));  // 601 samples fit
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.x_max = 4.1f; }));
    EXPECT_FALSE(refused([](DocumentFileState& s) { s.number_of_overtones = 128; }));
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.number_of_overtones = 129; }));
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.overtone_type = -1; }));
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.base_frequency = 0.0; }));
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.y_min = NAN; }));
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.volume = 128; }));
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.midi_note_numbers = {1}; }));
    EXPECT_TRUE(refused([](DocumentFileState& s) { s.chords[1] = {}; }));
    EXPECT_TRUE(refused([](DocumentFileState& s) {
        s.midi_note_numbers = {1};
        s.chords[1] = {INFINITY};
    }));
    // Keys outside 0..127 are stored (they are never played), and scale ratios are free.
    EXPECT_FALSE(refused([](DocumentFileState& s) {
        s.midi_note_numbers = {-5, 1000};
        s.chords = {{-5, {}}, {1000, {1.0f}}};
        s.scale_ratios = {0.0f, -1.0f};
    }));
}

TEST(DocumentFileRead, TruncatedAndChangedFilesNeverCrash) {
    const std::string text = read_fixture("full.kelvara");
    for (size_t size = 0; size < text.size(); size += 7)
        (void)decode_document_state(std::string_view(text).substr(0, size));
    for (size_t at = 0; at < text.size(); at += 3) {
        for (const char replacement : {'0', '8', 'f', ' ', '>', '"', ';'}) {
            std::string changed = text;
            changed[at] = replacement;
            (void)decode_document_state(changed);
        }
    }
}

}  // namespace
}  // namespace kelvara
