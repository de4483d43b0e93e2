// The document file's content: a file of another writer reads to its values and is written
// back byte for byte, every field survives a round trip, the version rules hold, and each
// class of bad file is refused for its own reason. (Arbitrary and mangled files are the
// fuzzer's: its corpus is replayed by document_fuzz_corpus_test.cpp.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "base/value_limits.h"
#include "fixtures.h"
#include "persistence/document_file.h"
#include "persistence/property_list.h"
#include "persistence/typed_stream.h"

namespace kelvara {
namespace {

// The state of a text that must be accepted.
DocumentFileState decoded(std::string_view text) {
    Result<DocumentFileState> state = decode_document_state(text);
    EXPECT_TRUE(state) << state.error().located_detail();
    return state ? *state : DocumentFileState{};
}

using kelvara::testing::files_in;
using kelvara::testing::read_fixture;
using ::testing::HasSubstr;

// The state full.kelvara holds (a file written by another program).
DocumentFileState full_state() {
    DocumentFileState s;
    s.scale_ratios = {1.0f, 1.25f, 1.5f, 2.0f};
    s.overtone_type = ShapedHarmonics;
    s.dissonance_ratios = {1.0f, 1.5f};
    s.base_frequency = 440.1000061035156;  // the file keeps 32-bit floats
    s.x_min = 0.9f;
    s.x_max = 2.1f;
    s.y_min = -0.5f;
    s.y_max = 5.0f;
    s.plot_justs = true;
    s.plot_slope = true;
    s.step_size = static_cast<double>(0.01f);
    s.number_of_overtones = 12;
    s.volume = 100;
    s.midi_note_numbers = {64, 60};
    s.chords = {{60, {261.63f, 329.63f}}, {64, {329.63f, 392.0f}}};
    return s;
}

using State = DocumentFileState;

// full.kelvara (a file of another writer) is written back byte for byte, and every good
// fixture reads to its state: the version decides whether the derivative entry is read (text
// reads as its leading integer, a higher version like version 2), optional entries take their
// defaults, and scalars stored as other number types (a double frequency, an int for a float,
// a float for an int, a long long for a boolean) are converted.
TEST(DocumentFileRead, EachFixtureGivesItsState) {
    const std::string text = read_fixture("full.kelvara");
    EXPECT_EQ(encode_document_state(full_state()), text);
    const std::vector<std::pair<std::string, void (*)(State&)>> cases = {
        {"full", [](State&) {}},
        {"version_as_text", [](State& s) { s.version = 17; }},
        {"version1_with_plot_dx", [](State& s) { s.version = 1, s.plot_slope = false; }},
        {"no_version", [](State& s) { s.version = 0, s.plot_slope = false; }},
        {"other_number_types", [](State& s) { s.base_frequency = 440.0; }},
        {"without_optional_entries",
         [](State& s) {
             s.x_min = 1.0f, s.x_max = 2.0f;
             s.step_size = kDefaultStepSize, s.number_of_overtones = kDefaultNumberOfOvertones;
         }},
    };
    for (const auto& [name, change] : cases) {
        State expected = full_state();
        change(expected);
        EXPECT_EQ(decoded(read_fixture(name + ".kelvara")), expected) << name;
    }
}

// (full.kelvara, written back byte for byte above, shows that a pitch-true document writes no
// pitch-true entry, and that a file without one reads as pitch-true.)
TEST(DocumentFile, EveryFieldSurvivesARoundTrip) {
    State edited = full_state();
    edited.plot_selected_ratio = true;
    edited.pitch_true = false;
    edited.midi_note_numbers.push_back(67);
    edited.chords[67] = {};
    // The graph choices, exactly. (A new document's write no entry of their own: full.kelvara
    // is written back byte for byte.)
    edited.graph = {RatioAxis::Cents, true, {0.05, false}, 12.5, 7};
    edited.scale_ratio_forms = {{1, "5/4"}, {3, "1200c"}};
    edited.scale_description = "Ptolemy's \"intense\" diatonic";
    for (const State& state : {State{}, edited})
        EXPECT_EQ(decoded(encode_document_state(state)), state);
    // A form whose ratio another program changed, or of no row, is left out on reading.
    State changed = edited;
    changed.scale_ratio_forms = {{1, "5/4"}, {2, "4/3"}, {9, "2/1"}};
    EXPECT_EQ(decoded(encode_document_state(changed)).scale_ratio_forms,
              (std::map<int32_t, std::string>{{1, "5/4"}}));
    for (const GraphChoices& bad :
         {GraphChoices{.prominence = {101.0, true}}, GraphChoices{.just_tolerance_cents = -1.0},
          GraphChoices{.just_odd_limit = 1000}}) {
        State refused;
        refused.graph = bad;
        EXPECT_FALSE(decode_document_state(encode_document_state(refused)));
    }
    // The two 64-bit fields are kept as the nearest 32-bit float.
    edited.base_frequency = 440.1;
    edited.step_size = 0.0025;
    const State read = decoded(encode_document_state(edited));
    EXPECT_EQ(read.base_frequency, static_cast<double>(440.1f));
    EXPECT_EQ(read.step_size, static_cast<double>(0.0025f));
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
        {"zero_fixed_tone", "fixed-tone ratio is 0, not above 0"},
        {"timbre_type_6", "timbre type"},
        {"fractional_chord_key", "not a 32-bit integer"},
        {"infinite_ratio", "scale ratio is not finite"},
        {"key_listed_twice", "listed twice"},
        {"scalar_is_text", "\"Kelvara Volume\": not data"},
    };
    EXPECT_EQ(cases.size(), files_in("bad")) << "every bad fixture has a case here";
    for (const auto& [name, why] : cases) {
        const Result<DocumentFileState> state =
            decode_document_state(read_fixture("bad/" + name + ".kelvara"));
        ASSERT_FALSE(state) << name << " was accepted";
        EXPECT_THAT(state.error().located_detail(), HasSubstr(why)) << name;
    }
}

// A state with one chord of `tones` tones on key 60.
State with_chord_of(size_t tones) {
    State s;
    s.midi_note_numbers = {60};
    s.chords = {{60, std::vector<float>(tones, 220.0f)}};
    return s;
}

// Values of files written before their bounds, or by another program, brought into them and
// named: a chord beyond 128 tones keeps its first 128 (however many keys share its array), a
// step too small for a float is raised to the smallest rather than refused as 0.
TEST(DocumentFileRead, OlderValuesAreBroughtIntoBoundsAndNamed) {
    State many = with_chord_of(200);
    many.midi_note_numbers = {60, 61};
    many.chords[61] = many.chords[60];
    const Result<DocumentFileState> cut = decode_document_state(encode_document_state(many));
    ASSERT_TRUE(cut) << cut.error().located_detail();
    EXPECT_EQ(cut->chords.at(60).size(), kMaxChordTones);
    EXPECT_EQ(cut->chords.at(61).size(), kMaxChordTones);
    EXPECT_THAT(cut->clamped_on_read,
                ::testing::Contains("chord on key 61 of 200 tones cut to its first 128"));

    plist::Value root = plist::parse(encode_document_state(State{}));
    for (auto& [name, value] : std::get<plist::Dictionary>(root.content))
        if (name == file_keys::kStepSize)
            value = plist::Data(typedstream::encode(typedstream::make_number({'d', 1e-300})));
    const Result<DocumentFileState> tiny = decode_document_state(plist::write(root));
    ASSERT_TRUE(tiny) << tiny.error().located_detail();
    ASSERT_EQ(tiny->clamped_on_read.size(), 1u);
    EXPECT_THAT(tiny->clamped_on_read[0], HasSubstr("step size 1e-300 raised to"));
}

// Each change to a valid state, and whether the engine's limits refuse it (beside the classes
// of bad file above: the edges, and the rules no bad fixture shows).
TEST(DocumentFileValidation, LimitsOfTheEngine) {
    const std::vector<std::pair<void (*)(State&), bool>> cases = {
        {[](State& s) { s.step_size = 1e-9; }, true},
        {[](State& s) { s.x_max = 4.0f; }, false},  // 601 samples fit
        {[](State& s) { s.x_max = 4.1f; }, true},
        {[](State& s) { s.y_min = NAN; }, true},
        {[](State& s) { s.midi_note_numbers = {1}; }, true},
        {[](State& s) { s = with_chord_of(128); }, false},
        {[](State& s) { s = with_chord_of(129); }, true},
        // The bounds of each value: tests/document/value_rules_test.cpp.
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        State s;
        cases[i].first(s);
        EXPECT_EQ(!validate_document_state(s).ok(), cases[i].second) << "case " << i;
    }
}

}  // namespace
}  // namespace kelvara
