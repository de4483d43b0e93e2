// The rule of validity of each value through the document's ways in, against the one table
// (support/value_rules_table.h): the editors (the actions of its fields and cells) and the
// file reader; the reason each refusal gives; and a saved document that
// always opens again, whatever edits, undos and redos came before.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <random>

#include "document/document.h"
#include "document/document_io.h"
#include "scales/scale_generator.h"
#include "support/document_in_recording_window.h"
#include "support/value_rules_table.h"

namespace kelvara {
namespace {

using testing::Answer;
using testing::DocumentInWindow;
using ::testing::HasSubstr;
using testing::ValueRow;

// Saved, with a row in every table (testing::state_with_rows).
struct DocumentWithRows : DocumentInWindow {
    explicit DocumentWithRows(BoundedValue kind = BoundedValue::ScaleRatio) {
        EXPECT_TRUE(doc.apply_state(testing::state_with_rows(kind)));
    }
};

// Puts the row's value in through the action of its field or cell.
void edit(Document& doc, const ValueRow& row) {
    const auto number = static_cast<float>(row.value);
    switch (row.kind) {
        case BoundedValue::ScaleRatio:
            return doc.table_actions().edit_cell(DocumentTable::ScaleRatios, TableColumn::Ratios, 0,
                                                 number);
        case BoundedValue::FixedToneRatio:
            return doc.table_actions().edit_cell(DocumentTable::FixedTones, TableColumn::Ratios, 0,
                                                 number);
        case BoundedValue::RangeRatio:
            return doc.curve_actions().set_bound(BoundField::XMin, number);
        case BoundedValue::BaseFrequencyHz: return doc.curve_actions().set_base_frequency(number);
        case BoundedValue::ChordToneHz:
            return doc.table_actions().edit_cell(DocumentTable::MappedChords,
                                                 TableColumn::ChordString, 0, Chord{number});
        case BoundedValue::MidiKey:
            return doc.table_actions().edit_cell(DocumentTable::MappedChords, TableColumn::MidiNote,
                                                 0, static_cast<int32_t>(row.value));
        case BoundedValue::Overtones:
            return doc.curve_actions().set_number_of_overtones(static_cast<int32_t>(row.value));
        case BoundedValue::PartialRatio:
            return doc.table_actions().edit_cell(DocumentTable::Partials, TableColumn::PartialRatio,
                                                 0, row.value);
        case BoundedValue::PartialAmplitude:
            return doc.table_actions().edit_cell(DocumentTable::Partials,
                                                 TableColumn::PartialAmplitude, 0, row.value);
    }
}

TEST(ValueRules, EditorsAndTheReaderGiveTheTablesAnswer) {
    for (const ValueRow& row : testing::value_rows()) {
        SCOPED_TRACE(row.name());
        const bool within = row.answer == Answer::Within;
        DocumentWithRows w(row.kind);
        const DocumentFileState saved = w.doc.state();
        edit(w.doc, row);
        if (within) {
            DocumentFileState expected = saved, edited = w.doc.state();
            testing::put_value(expected, row);
            expected.y_min = edited.y_min, expected.y_max = edited.y_max;  // refitted
            EXPECT_EQ(edited, expected);
            w.doc.history().undo();
        } else if (row.refusal_names_bounds()) {
            EXPECT_THAT(w.controls.refusal, HasSubstr(bounds_text(row.kind)));
        }
        EXPECT_EQ(w.controls.beeps, within ? 0 : 1);
        EXPECT_EQ(w.doc.state(), saved);
        EXPECT_FALSE(w.doc.is_edited());
        EXPECT_FALSE(w.doc.history().can_undo()) << "a refusal records no undo step";

        // The reader clamps what an editor refuses, unless nothing can stand in for it.
        DocumentFileState written;
        testing::put_value(written, row);
        DocumentInWindow r;
        const Result<void> read = read_document_text(r.doc, encode_document_state(written));
        if (row.answer == Answer::Impossible) {
            ASSERT_FALSE(read);
            EXPECT_THAT(read.error().detail, HasSubstr(value_name(row.kind)));
            continue;
        }
        ASSERT_TRUE(read) << read.error().explanation();
        DocumentFileState expected;
        testing::put_value(expected,
                           {row.kind, clamped_into_bounds(row.kind, row.value), row.answer});
        EXPECT_EQ(r.doc.state(), expected);
        EXPECT_EQ(r.doc.values_clamped_on_read().size(), within ? 0u : 1u);
        // Clamped: marked edited, and no undo leads to a state that claims the file's values.
        EXPECT_EQ(r.controls.edited, !within);
        r.doc.playback_actions().set_volume(1);
        r.doc.history().undo();
        EXPECT_EQ(r.doc.is_edited(), !within);
    }
}

// Each reason once, in the words the person reads (the reasons of the value bounds, the chord
// and ratio texts, the generator's fields, an eleventh fixed tone and a key taken twice: the
// table above, tests/scales, tests/cli and the window's tests).
// Each action runs on the document as the ones before left it.
TEST(ValueRules, EachRefusalSaysWhyUntilAnEditGoesThrough) {
    DocumentWithRows w;
    Document& d = w.doc;
    // The action changes nothing, records no undo step and says why until an edit goes through.
    const auto refused = [&w](const std::function<void()>& act, const std::string& message) {
        const DocumentFileState before = w.doc.state();
        const std::optional<EditName> last_step = w.doc.history().undo_name();
        act();
        EXPECT_EQ(w.doc.state(), before) << message;
        EXPECT_EQ(w.doc.history().undo_name(), last_step) << message;
        EXPECT_EQ(w.controls.refusal, message);
        w.doc.playback_actions().set_volume(w.doc.volume() + 1);
        EXPECT_EQ(w.controls.refusal, "");
    };
    // An action that goes through without an edit clears it too, such as Fit.
    d.curve_actions().set_step_size(0.0f);
    ASSERT_NE(w.controls.refusal, "");
    d.curve_actions().fit_y_range();
    EXPECT_EQ(w.controls.refusal, "");
    refused([&] { d.curve_actions().set_overtone_type(7); }, "Unknown timbre.");
    refused([&] { d.timbre_actions().partial_action(PartialAction::Append); },
            "Choose the Custom timbre to edit its partials.");
    refused([&] { d.curve_actions().set_step_size(0.0f); }, "The step must be a number above 0.");
    refused([&] { d.curve_actions().set_bound(BoundField::XMax, 0.5f); },
            "The ratio range must go from a lower to a higher value (1 to 0.5 is empty).");
    refused([&] { d.curve_actions().set_bound(BoundField::XMax, 900.0f); },
            "The ratio range 1 to 900 needs more samples than the step allows; widen the step "
            "first.");
    d.curve_actions().set_step_size(1.0f);
    d.curve_actions().set_bound(BoundField::XMax, 4.5f);  // 1, 2, 3, 4: the capacity of step 1
    refused([&] { d.curve_actions().set_step_size(0.5f); },
            "At this step the ratio range needs more samples than the curve holds; narrow the "
            "range first.");
    refused(
        [&] {
            d.table_actions().add_scale_preset(ScalePreset::SixteenStepHarmonics, {0, 251.0f});
        },
        "The interval 251 gives the ratio 1004. A scale ratio must be 0.001\u20131000.");
    refused([&] { d.table_actions().scale_action(ScaleAction::DeleteSelected); },
            "Select a scale ratio to delete.");
    refused(
        [&] {
            d.table_actions().edit_cell(DocumentTable::MappedChords, TableColumn::ChordString, 0,
                                        Chord{});
        },
        "A chord needs at least one tone.");
    d.curve_actions().set_base_frequency(20000.0f);
    d.table_actions().set_fixed_tones(std::vector<float>{2.0f});
    refused([&] { d.table_actions().chord_action(ChordAction::CopyFixedTones); },
            "A fixed tone sounds at 40000 Hz. A chord tone must be 1\u201320000 Hz.");
    d.table_actions().set_fixed_tones({});
    refused([&] { d.table_actions().chord_action(ChordAction::CopyFixedTones); },
            "There are no fixed tones to copy.");
    for (int key = 1; key < 128; ++key) d.table_actions().chord_action(ChordAction::AddAtFreeKey);
    refused([&] { d.table_actions().chord_action(ChordAction::AddAtFreeKey); },
            "Every MIDI key (0\u2013127) has a chord: delete one first.");
}

// One of the document's actions with a value of the table, within bounds, at their edges,
// outside them or impossible, or one of those scaled (any value to any action).
void random_edit(Document& doc, testing::RecordingDocumentView& view, std::mt19937& random) {
    const std::vector<ValueRow>& rows = testing::value_rows();
    const auto v =
        static_cast<float>(rows[random() % rows.size()].value * (random() % 2 ? 1 : 1.7));
    const int32_t integer = std::fabs(v) < 1e6f ? static_cast<int32_t>(v) : -1;
    for (const auto table : {DocumentTable::ScaleRatios, DocumentTable::FixedTones,
                             DocumentTable::MappedChords, DocumentTable::Partials})
        view.selected_rows[table] = static_cast<int32_t>(random() % 3);
    const auto column = random() % 2 ? TableColumn::Ratios : TableColumn::Cents;
    const auto partial_column = static_cast<TableColumn>(
        static_cast<int>(TableColumn::PartialRatio) + static_cast<int>(random() % 3));
    const double pasted[] = {v, 1.0, static_cast<double>(v) * 3};
    switch (random() % 16) {
        case 11: return doc.curve_actions().set_overtone_type(static_cast<int32_t>(random() % 7));
        case 12:
            return doc.table_actions().edit_cell(DocumentTable::Partials, partial_column,
                                                 static_cast<int32_t>(random() % 3),
                                                 static_cast<double>(v));
        case 13:
            return doc.timbre_actions().partial_action(static_cast<PartialAction>(random() % 2));
        case 14:
            doc.timbre_actions().paste_partial_column(partial_column,
                                                      static_cast<int32_t>(random() % 3), pasted);
            return;
        case 15:
            return doc.timbre_actions().set_roughness_model(
                static_cast<RoughnessModel>(random() % 2));
        case 0: return doc.curve_actions().set_step_size(v);
        case 1:
            return doc.curve_actions().set_number_of_overtones(integer % 8);  // quick to resample
        case 2: return doc.curve_actions().set_base_frequency(v);
        case 3: return doc.curve_actions().set_bound(static_cast<BoundField>(random() % 4), v);
        case 4: return doc.table_actions().scale_action(static_cast<ScaleAction>(random() % 3));
        case 5:
            return doc.table_actions().add_scale_preset(static_cast<ScalePreset>(random() % 6),
                                                        {integer, v});
        case 6:
            return doc.table_actions().fixed_tone_action(
                static_cast<FixedToneAction>(random() % 3));
        case 7: return doc.table_actions().chord_action(static_cast<ChordAction>(random() % 3));
        case 8: return doc.table_actions().edit_cell(DocumentTable::ScaleRatios, column, 0, v);
        case 9:
            return doc.table_actions().edit_cell(DocumentTable::MappedChords, TableColumn::MidiNote,
                                                 0, integer);
        default:
            return doc.table_actions().edit_cell(DocumentTable::MappedChords,
                                                 TableColumn::ChordString, 0, Chord{v});
    }
}

TEST(SavedDocument, AlwaysOpensAgainAfterAnyEditsUndosAndRedos) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("kelvara-saved-" + std::to_string(getpid()) + ".kelvara");
    std::mt19937 random(0x5eed);
    for (int sequence = 0; sequence < 60; ++sequence) {
        SCOPED_TRACE(sequence);
        DocumentInWindow w;
        w.doc.curve_actions().set_number_of_overtones(3);
        for (int step = 0; step < 40; ++step) {
            if (random() % 6 == 0) {
                random() % 2 ? w.doc.history().undo() : w.doc.history().redo();
                continue;
            }
            const int beeps = w.controls.beeps;
            w.controls.refusal.clear();
            random_edit(w.doc, w.controls, random);
            EXPECT_EQ(w.controls.beeps != beeps, !w.controls.refusal.empty()) << "says why";
        }
        const Result<void> saved = save_document_file(file, w.doc);
        ASSERT_TRUE(saved) << saved.error().explanation();
        Document reopened;
        const Result<void> read = read_document_file(file, reopened);
        ASSERT_TRUE(read) << read.error().explanation();
        EXPECT_TRUE(reopened.values_clamped_on_read().empty());
        EXPECT_EQ(document_text(reopened), document_text(w.doc));
    }
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace kelvara
