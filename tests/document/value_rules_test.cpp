// The one rule of validity per value, driven through every way into a document: the editors
// (fields and cells, through the document's actions), the presets and the generator, and the
// file reader. An editor refuses a value outside its bounds with a message; the reader
// clamps a finite positive one and refuses what nothing can stand in for. A saved document
// always opens again, whatever sequence of edits, good or bad, came before.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>

#include "base/value_limits.h"
#include "document/document.h"
#include "document/document_io.h"
#include "engine/engine_limits.h"
#include "persistence/document_file.h"
#include "scales/decimal_text.h"

namespace kelvara {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr double kInf = std::numeric_limits<double>::infinity();

// Collects the reasons the document gives, and answers row selections.
class RefusalView final : public NullDocumentView {
public:
    std::vector<std::string> refusals;
    int beeps = 0;
    std::map<DocumentTable, int32_t> rows;
    void beep() override { ++beeps; }
    void show_refusal(const std::string& message) override { refusals.push_back(message); }
    std::optional<int32_t> selected_row(DocumentTable table) const override {
        const auto row = rows.find(table);
        return row == rows.end() ? std::nullopt : std::optional<int32_t>(row->second);
    }
};

// What each way in does with a value: an editor takes it or refuses it; the reader takes it,
// clamps it into the bounds, or refuses the file.
enum class Answer { Taken, Clamped, Refused };

struct ValueCase {
    BoundedValue kind;
    double value;
    Answer answer;
};

const ValueCase kValueCases[] = {
    {BoundedValue::ScaleRatio, 1.5, Answer::Taken},
    {BoundedValue::ScaleRatio, 1e-3, Answer::Taken},
    {BoundedValue::ScaleRatio, 1e3, Answer::Taken},
    {BoundedValue::ScaleRatio, 1e30, Answer::Clamped},
    {BoundedValue::ScaleRatio, 5e-4, Answer::Clamped},
    {BoundedValue::ScaleRatio, 0.0, Answer::Refused},
    {BoundedValue::ScaleRatio, -1.5, Answer::Refused},
    {BoundedValue::ScaleRatio, kInf, Answer::Refused},
    {BoundedValue::ScaleRatio, NAN, Answer::Refused},
    {BoundedValue::FixedToneRatio, 1.25, Answer::Taken},
    {BoundedValue::FixedToneRatio, 1e30, Answer::Clamped},
    {BoundedValue::FixedToneRatio, 0.0, Answer::Refused},
    {BoundedValue::FixedToneRatio, -1.0, Answer::Refused},
    {BoundedValue::FixedToneRatio, kInf, Answer::Refused},
    {BoundedValue::RangeRatio, 0.5, Answer::Taken},
    {BoundedValue::RangeRatio, 1e-3, Answer::Taken},
    {BoundedValue::RangeRatio, 1e-4, Answer::Clamped},
    {BoundedValue::RangeRatio, 0.0, Answer::Refused},
    {BoundedValue::RangeRatio, -kInf, Answer::Refused},
    {BoundedValue::BaseFrequencyHz, 20.0, Answer::Taken},
    {BoundedValue::BaseFrequencyHz, 20000.0, Answer::Taken},
    {BoundedValue::BaseFrequencyHz, 10.0, Answer::Clamped},
    {BoundedValue::BaseFrequencyHz, 1e6, Answer::Clamped},
    {BoundedValue::BaseFrequencyHz, 0.0, Answer::Refused},
    {BoundedValue::BaseFrequencyHz, -5.0, Answer::Refused},
    {BoundedValue::BaseFrequencyHz, NAN, Answer::Refused},
    {BoundedValue::ChordToneHz, 1.0, Answer::Taken},
    {BoundedValue::ChordToneHz, 20000.0, Answer::Taken},
    {BoundedValue::ChordToneHz, 0.5, Answer::Clamped},
    {BoundedValue::ChordToneHz, 30000.0, Answer::Clamped},
    {BoundedValue::ChordToneHz, 0.0, Answer::Refused},
    {BoundedValue::ChordToneHz, kInf, Answer::Refused},
    {BoundedValue::MidiKey, 0.0, Answer::Taken},
    {BoundedValue::MidiKey, 127.0, Answer::Taken},
    {BoundedValue::MidiKey, 128.0, Answer::Clamped},
    {BoundedValue::MidiKey, -1.0, Answer::Clamped},
    {BoundedValue::Overtones, 1.0, Answer::Taken},
    {BoundedValue::Overtones, 128.0, Answer::Taken},
    {BoundedValue::Overtones, 129.0, Answer::Clamped},
    {BoundedValue::Overtones, 0.0, Answer::Clamped},
};

std::string describe(const ValueCase& c) {
    return std::string(value_name(c.kind)) + " " + std::to_string(c.value);
}

// Puts the value in through its editor; returns the value stored afterwards.
double edit(Document& doc, BoundedValue kind, double value) {
    const auto f = static_cast<float>(value);
    switch (kind) {
        case BoundedValue::ScaleRatio:
            doc.edit_cell(DocumentTable::ScaleRatios, TableColumn::Ratios, 0, f);
            return doc.tables().scale_ratios()[0];
        case BoundedValue::FixedToneRatio:
            doc.edit_cell(DocumentTable::FixedTones, TableColumn::Ratios, 0, f);
            return doc.tables().fixed_tones()[0];
        case BoundedValue::RangeRatio:
            doc.set_bound(BoundField::XMin, f);
            return doc.curve().x_min();
        case BoundedValue::BaseFrequencyHz:
            doc.set_base_frequency(f);
            return doc.curve().base_frequency();
        case BoundedValue::ChordToneHz:
            doc.edit_cell(DocumentTable::MappedChords, TableColumn::ChordString, 0, Chord{f});
            return (
                *doc.chords().map().chord_for_key(doc.chords().map().midi_note_numbers()[0]))[0];
        case BoundedValue::MidiKey:
            doc.edit_cell(DocumentTable::MappedChords, TableColumn::MidiNote, 0,
                          static_cast<int32_t>(value));
            return doc.chords().map().midi_note_numbers()[0];
        case BoundedValue::Overtones:
            doc.set_number_of_overtones(static_cast<int32_t>(value));
            return doc.curve().number_of_overtones();
        case BoundedValue::PartialAmplitude: break;
    }
    return NAN;
}

// A document with one row in each table (scale 1, fixed tone 1, key 0 at 110 Hz), unchanged.
void add_one_row_each(Document& doc) {
    doc.scale_action(ScaleAction::AppendUnison);
    doc.chord_action(ChordAction::AddAtFreeKey);
    doc.update_change_count(ChangeKind::Cleared);
}

// The value in a file's state.
void put(DocumentFileState& s, BoundedValue kind, double value) {
    const auto f = static_cast<float>(value);
    switch (kind) {
        case BoundedValue::ScaleRatio: s.scale_ratios = {f}; break;
        case BoundedValue::FixedToneRatio: s.dissonance_ratios = {f}; break;
        case BoundedValue::RangeRatio: s.x_min = f; break;
        case BoundedValue::BaseFrequencyHz: s.base_frequency = f; break;
        case BoundedValue::ChordToneHz:
            s.midi_note_numbers = {60};
            s.chords = {{60, {f}}};
            break;
        case BoundedValue::MidiKey:
            s.midi_note_numbers = {static_cast<int32_t>(value)};
            s.chords = {{static_cast<int32_t>(value), {220.0f}}};
            break;
        case BoundedValue::Overtones: s.number_of_overtones = static_cast<int32_t>(value); break;
        case BoundedValue::PartialAmplitude: break;
    }
}

double taken_from(const DocumentFileState& s, BoundedValue kind) {
    switch (kind) {
        case BoundedValue::ScaleRatio: return s.scale_ratios.at(0);
        case BoundedValue::FixedToneRatio: return s.dissonance_ratios.at(0);
        case BoundedValue::RangeRatio: return s.x_min;
        case BoundedValue::BaseFrequencyHz: return s.base_frequency;
        case BoundedValue::ChordToneHz: return s.chords.at(60).at(0);
        case BoundedValue::MidiKey: return s.midi_note_numbers.at(0);
        case BoundedValue::Overtones: return s.number_of_overtones;
        case BoundedValue::PartialAmplitude: break;
    }
    return NAN;
}

TEST(ValueRules, EveryEditorTakesExactlyTheValuesWithinBounds) {
    for (const ValueCase& c : kValueCases) {
        Document doc;
        RefusalView view;
        doc.attach_views(view);
        add_one_row_each(doc);
        const DocumentFileState before = doc.state();
        const double stored = edit(doc, c.kind, c.value);
        if (c.answer == Answer::Taken) {
            EXPECT_EQ(stored, static_cast<double>(static_cast<float>(c.value))) << describe(c);
            EXPECT_THAT(view.refusals, IsEmpty()) << describe(c);
        } else {
            EXPECT_EQ(doc.state(), before) << describe(c);
            EXPECT_FALSE(doc.is_edited()) << describe(c);
            EXPECT_EQ(view.beeps, 1) << describe(c);
            ASSERT_EQ(view.refusals.size(), 1u) << describe(c);
            EXPECT_THAT(view.refusals[0], HasSubstr(bounds_text(c.kind))) << describe(c);
        }
    }
}

TEST(ValueRules, TheReaderTakesClampsOrRefusesTheSameValues) {
    for (const ValueCase& c : kValueCases) {
        DocumentFileState written;
        put(written, c.kind, c.value);
        const Result<DocumentFileState> read =
            decode_document_state(encode_document_state(written));
        if (c.answer == Answer::Refused) {
            ASSERT_FALSE(read) << describe(c);
            EXPECT_THAT(read.error().detail, HasSubstr(value_name(c.kind))) << describe(c);
            continue;
        }
        ASSERT_TRUE(read) << describe(c) << ": " << read.error().located_detail();
        const double expected = static_cast<float>(
            c.answer == Answer::Taken ? c.value : clamped_into_bounds(c.kind, c.value));
        EXPECT_EQ(taken_from(*read, c.kind), expected) << describe(c);
        EXPECT_EQ(read->clamped_on_read.empty(), c.answer == Answer::Taken) << describe(c);
        // A clamped value marks the document: saving would change the file.
        Document doc;
        ASSERT_TRUE(read_document_text(doc, encode_document_state(written))) << describe(c);
        EXPECT_EQ(doc.is_edited(), c.answer == Answer::Clamped) << describe(c);
        EXPECT_EQ(doc.values_clamped_on_read(), read->clamped_on_read) << describe(c);
    }
}

TEST(ValueRules, ClampedValuesAreListedByNameOldAndNewValue) {
    DocumentFileState written;
    written.base_frequency = 10.0;
    written.scale_ratios = {1e30f};
    written.volume = 300;
    written.x_min = 3.0f;
    written.x_max = 2.0f;
    const Result<DocumentFileState> read = decode_document_state(encode_document_state(written));
    ASSERT_TRUE(read);
    EXPECT_THAT(read->clamped_on_read,
                ::testing::ElementsAre("scale ratio 1.0000000150474662e+30 lowered to 1000",
                                       "base frequency 10 raised to 20",
                                       "ratio range 3 to 2 was empty; set to 1 to 2",
                                       "volume 300 lowered to 127"));
}

TEST(ValueRules, PresetsAndTheGeneratorRefuseWhatTheyCannotMake) {
    struct PresetCase {
        ScalePreset preset;
        ScaleGeneratorFields fields;
        size_t ratios;  // 0: refused
        std::string message;
    };
    const PresetCase cases[] = {
        {ScalePreset::FromFields, {12, 2.0f}, 25, ""},
        {ScalePreset::FromFields, {0, 2.0f}, 0, "Divide the interval into at least 1 step."},
        {ScalePreset::FromFields, {-3, 2.0f}, 0, "Divide the interval into at least 1 step."},
        {ScalePreset::FromFields, {12, 1.05f}, 0, "The interval divided must be at least 1.1."},
        {ScalePreset::FromFields, {1, 1e30f}, 0, "A scale ratio must be 0.001\u20131000."},
        {ScalePreset::FromFields, {100000, 2.0f}, 0, "more than 10000 ratios"},
        {ScalePreset::SixteenStepHarmonics, {0, 250.0f}, 33, ""},
        {ScalePreset::SixteenStepHarmonics, {0, 251.0f}, 0, "gives the ratio 1004."},
        {ScalePreset::EightStepHarmonics, {0, 0.0f}, 0, "gives the ratio 0."},
        {ScalePreset::JustRatios, {}, 29, ""},
    };
    for (const PresetCase& c : cases) {
        Document doc;
        RefusalView view;
        doc.attach_views(view);
        doc.add_scale_preset(c.preset, c.fields);
        EXPECT_EQ(doc.tables().scale_ratios().size(), c.ratios) << c.fields.tet;
        EXPECT_EQ(doc.is_edited(), c.ratios != 0) << c.fields.tet;
        if (c.ratios == 0) {
            ASSERT_EQ(view.refusals.size(), 1u);
            EXPECT_THAT(view.refusals[0], HasSubstr(c.message));
        }
    }
}

// Each refusal of an action says why, and a later edit that goes through clears it.
TEST(ValueRules, ActionsThatDoNothingSayWhy) {
    Document doc;
    RefusalView view;
    doc.attach_views(view);
    for (int i = 0; i < 9; ++i) doc.fixed_tone_action(FixedToneAction::AppendUnison);
    ASSERT_EQ(doc.tables().fixed_tones().size(), 10u);
    doc.fixed_tone_action(FixedToneAction::AppendUnison);
    doc.fixed_tone_action(FixedToneAction::DeleteSelected);
    doc.scale_action(ScaleAction::DeleteSelected);
    doc.chord_action(ChordAction::AddAtFreeKey);
    doc.chord_action(ChordAction::AddAtFreeKey);
    view.rows[DocumentTable::MappedChords] = 1;
    doc.edit_cell(DocumentTable::MappedChords, TableColumn::MidiNote, 1, int32_t{0});
    doc.edit_cell(DocumentTable::MappedChords, TableColumn::ChordString, 1, Chord{});
    doc.set_bound(BoundField::XMax, 0.5f);
    const std::string y_max = number_text(doc.curve().y_max());
    doc.set_bound(BoundField::YMin, 1e6f);
    doc.set_step_size(0.0f);
    doc.set_step_size(1e-9f);
    doc.edit_cell(DocumentTable::ScaleRatios, TableColumn::Cents, 0, 1e6f);
    EXPECT_THAT(view.refusals,
                ::testing::ElementsAre(
                    "At most 10 fixed tones: delete one first.", "Select a fixed tone to delete.",
                    "Select a scale ratio to delete.", "Key 0 has a chord already.",
                    "A chord needs at least one tone.",
                    "The ratio range must go from a lower to a higher value (1 to 0.5 is empty).",
                    "The dissonance range must go from a lower to a higher value (1000000 to " +
                        y_max + " is empty).",
                    "The step must be a number above 0.",
                    "The step must be at least " + number_text(smallest_step()) + "."));
    EXPECT_EQ(view.beeps, 9);
    // The scale table is empty: a cents edit of a row that is not there changes nothing.
    doc.scale_action(ScaleAction::AppendUnison);
    doc.edit_cell(DocumentTable::ScaleRatios, TableColumn::Cents, 0, 1e6f);
    EXPECT_EQ(view.refusals.back(),
              "A scale ratio must be 0.001\u20131000. In cents: -11958.9 to 11958.9.");
    for (int key = 2; key < 128; ++key) doc.chord_action(ChordAction::AddAtFreeKey);
    doc.chord_action(ChordAction::AddAtFreeKey);
    EXPECT_EQ(view.refusals.back(), "Every MIDI key from 0 to 127 has a chord: delete one first.");
}

TEST(ValueRules, ATypedValueEqualToTheStoredOneIsNoEdit) {
    Document doc;
    RefusalView view;
    doc.attach_views(view);
    add_one_row_each(doc);
    doc.set_base_frequency(440.0f);
    doc.set_step_size(0.005f);
    doc.set_bound(BoundField::XMin, 1.0f);
    doc.set_number_of_overtones(25);
    doc.edit_cell(DocumentTable::ScaleRatios, TableColumn::Ratios, 0, 1.0f);
    doc.edit_cell(DocumentTable::FixedTones, TableColumn::Ratios, 0, 1.0f);
    doc.edit_cell(DocumentTable::MappedChords, TableColumn::MidiNote, 0, int32_t{0});
    doc.edit_cell(DocumentTable::MappedChords, TableColumn::ChordString, 0, Chord{110.0f});
    EXPECT_FALSE(doc.is_edited());
    EXPECT_EQ(view.beeps, 0);
}

// --- a saved document always reopens -----------------------------------------------------------

// Values a person might type: good ones, the edges, and the bad ones of the table above.
float any_value(std::mt19937& random) {
    static const float kInteresting[] = {
        0.0f,          -1.0f,   -1.5f,   1e-9f,  1e-4f,
        1e-3f,         0.5f,    1.0f,    1.25f,  1.5f,
        2.0f,          3.0f,    4.0f,    20.0f,  127.f,
        128.f,         129.f,   440.f,   1e3f,   2e4f,
        3e4f,          1e6f,    1e30f,   1e38f,  std::numeric_limits<float>::infinity(),
        std::nanf(""), 0.0003f, 0.0009f, 0.005f, 0.01f,
        -700.0f,       386.31f};
    if (random() % 4 != 0) return kInteresting[random() % std::size(kInteresting)];
    // Otherwise any magnitude from 1e-6 to 1e6, either sign.
    const double exponent = std::uniform_real_distribution<double>(-6.0, 6.0)(random);
    return static_cast<float>((random() % 5 == 0 ? -1.0 : 1.0) * std::pow(10.0, exponent));
}

void random_edit(Document& doc, RefusalView& view, std::mt19937& random) {
    const float v = any_value(random);
    const auto row = [&](DocumentTable table) {
        const int32_t rows = doc.row_count(table);
        return rows == 0 ? 0 : static_cast<int32_t>(random() % static_cast<uint32_t>(rows));
    };
    view.rows[DocumentTable::ScaleRatios] = row(DocumentTable::ScaleRatios);
    view.rows[DocumentTable::FixedTones] = row(DocumentTable::FixedTones);
    view.rows[DocumentTable::MappedChords] = row(DocumentTable::MappedChords);
    const auto overtones = [&] {
        // The curve resamples on every edit: keep the partial list small.
        static const int32_t kCounts[] = {-3, 0, 1, 2, 5, 12, 129, 1000};
        return kCounts[random() % std::size(kCounts)];
    };
    switch (random() % 16) {
        case 0: doc.set_step_size(v); break;
        case 1: doc.set_number_of_overtones(overtones()); break;
        case 2: doc.set_overtone_type(static_cast<int32_t>(random() % 8) - 1); break;
        case 3: doc.set_base_frequency(v); break;
        case 4: doc.set_bound(static_cast<BoundField>(random() % 4), v); break;
        case 5: doc.scale_action(static_cast<ScaleAction>(random() % 3)); break;
        case 6:
            doc.add_scale_preset(static_cast<ScalePreset>(random() % 6),
                                 {static_cast<int32_t>(random() % 40) - 3, v});
            break;
        case 7:
            if (doc.tables().fixed_tones().size() < 3 || random() % 2)
                doc.fixed_tone_action(static_cast<FixedToneAction>(random() % 3));
            break;
        case 8: doc.chord_action(static_cast<ChordAction>(random() % 3)); break;
        case 9:
            doc.edit_cell(DocumentTable::ScaleRatios, TableColumn::Ratios,
                          row(DocumentTable::ScaleRatios), v);
            break;
        case 10:
            doc.edit_cell(DocumentTable::ScaleRatios, TableColumn::Cents,
                          row(DocumentTable::ScaleRatios), v * 100.0f);
            break;
        case 11:
            doc.edit_cell(DocumentTable::FixedTones, TableColumn::Ratios,
                          row(DocumentTable::FixedTones), v);
            break;
        case 12:
            doc.edit_cell(DocumentTable::MappedChords, TableColumn::MidiNote,
                          row(DocumentTable::MappedChords), static_cast<int32_t>(v));
            break;
        case 13: {
            Chord chord;
            for (uint32_t i = random() % 4; i > 0; --i) chord.push_back(any_value(random) * 100);
            doc.edit_cell(DocumentTable::MappedChords, TableColumn::ChordString,
                          row(DocumentTable::MappedChords), chord);
            break;
        }
        case 14: {
            std::vector<float> tones;
            for (uint32_t i = random() % 4; i > 0; --i) tones.push_back(any_value(random));
            doc.set_fixed_tones(tones);
            break;
        }
        default: doc.set_plot_flags(random() % 2, random() % 2, random() % 2); break;
    }
}

TEST(SavedDocument, AlwaysReopensAfterAnySequenceOfEdits) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("kelvara_value_rules_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::mt19937 random(0x5eed);
    for (int sequence = 0; sequence < 60; ++sequence) {
        Document doc;
        RefusalView view;
        doc.attach_views(view);
        for (int step = 0; step < 40; ++step) {
            random_edit(doc, view, random);
            // Every refusal said why.
            ASSERT_EQ(view.refusals.size(), static_cast<size_t>(view.beeps));
        }
        const std::filesystem::path file = folder / "saved.kelvara";
        const Result<void> saved = save_document_file(file, doc);
        ASSERT_TRUE(saved) << "sequence " << sequence << ": " << saved.error().explanation();
        Document reopened;
        const Result<void> read = read_document_file(file, reopened);
        ASSERT_TRUE(read) << "sequence " << sequence << ": " << read.error().explanation();
        EXPECT_THAT(reopened.values_clamped_on_read(), IsEmpty()) << "sequence " << sequence;
        EXPECT_FALSE(reopened.is_edited());
        EXPECT_EQ(document_text(reopened), document_text(doc)) << "sequence " << sequence;
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kelvara
