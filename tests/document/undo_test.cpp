// Undo and redo on a real document: every action class taken back to the identical saved
// bytes and done again, the edited mark following the saved position,
// the bound, and random edit sequences unwound whole. (A slider drag as one step:
// tests/app/edit_menu_test.cpp, through the real slider.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/document_io.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

class UndoTest : public testing::DocumentInRecordingWindow {
protected:
    // A saved document with something in every list and a row selected in each table.
    UndoTest() {
        doc.set_number_of_overtones(4);  // keeps the many resamplings quick
        doc.add_scale_preset(ScalePreset::JustRatios);
        const float tones[] = {1.0f, 1.5f};
        doc.set_fixed_tones(tones);
        doc.chord_action(ChordAction::AddAtFreeKey);
        doc.chord_action(ChordAction::CopyFixedTones);
        controls.selected_rows = {{DocumentTable::ScaleRatios, 3},
                                  {DocumentTable::FixedTones, 1},
                                  {DocumentTable::MappedChords, 0}};
        base_ = doc.state();
        start_again();
    }
    void start_again() {
        ASSERT_TRUE(doc.apply_state(base_).ok());
        doc.update_change_count(ChangeKind::Cleared);
        controls.beeps = 0;
    }
    std::string bytes() const { return document_text(doc); }
    // The window's curve shows the document's arrays, drawn whole.
    void expect_curve_shown() const {
        EXPECT_EQ(view.x_values, doc.curve().x_values());
        EXPECT_EQ(view.number_of_points, doc.curve().number_of_points());
    }

    DocumentFileState base_;
};

struct ActionCase {
    const char* what;
    EditName name;
    std::function<void(Document&)> act;
};

const std::vector<ActionCase> kEveryActionClass{
    {"step", EditName::StepSize, [](Document& d) { d.set_step_size(0.01f); }},
    {"overtones", EditName::NumberOfOvertones, [](Document& d) { d.set_number_of_overtones(7); }},
    {"timbre", EditName::Timbre, [](Document& d) { d.set_overtone_type(FlatHarmonics); }},
    {"base", EditName::BaseFrequency, [](Document& d) { d.set_base_frequency(261.5f); }},
    {"x min", EditName::RatioRange, [](Document& d) { d.set_bound(BoundField::XMin, 1.1f); }},
    {"x max", EditName::RatioRange, [](Document& d) { d.set_bound(BoundField::XMax, 3.0f); }},
    {"y min", EditName::DissonanceRange, [](Document& d) { d.set_bound(BoundField::YMin, 0.5f); }},
    {"y max", EditName::DissonanceRange, [](Document& d) { d.set_bound(BoundField::YMax, 6.0f); }},
    {"toggles", EditName::PlotToggles, [](Document& d) { d.set_plot_flags(true, true, true); }},
    {"add ratio", EditName::AddScaleRatio,
     [](Document& d) { d.scale_action(ScaleAction::AppendUnison); }},
    {"delete ratio", EditName::DeleteScaleRatio,
     [](Document& d) { d.scale_action(ScaleAction::DeleteSelected); }},
    {"clear", EditName::ClearScale, [](Document& d) { d.scale_action(ScaleAction::RemoveAll); }},
    {"preset", EditName::ScalePreset,
     [](Document& d) { d.add_scale_preset(ScalePreset::TwelveTone); }},
    {"generator", EditName::ScalePreset,
     [](Document& d) {
         d.add_scale_preset(ScalePreset::FromFields, {7, 3.0f});
     }},
    {"add tone", EditName::AddFixedTone,
     [](Document& d) { d.fixed_tone_action(FixedToneAction::AppendUnison); }},
    {"tone from scale", EditName::CopyToFixedTones,
     [](Document& d) { d.fixed_tone_action(FixedToneAction::CopySelectedScaleRatio); }},
    {"delete tone", EditName::DeleteFixedTone,
     [](Document& d) { d.fixed_tone_action(FixedToneAction::DeleteSelected); }},
    {"set tones", EditName::SetFixedTones,
     [](Document& d) {
         const float tones[] = {1.0f, 1.25f, 1.75f};
         d.set_fixed_tones(tones);
     }},
    {"add chord", EditName::AddChord,
     [](Document& d) { d.chord_action(ChordAction::AddAtFreeKey); }},
    {"chord from tones", EditName::CopyFixedTonesToChord,
     [](Document& d) { d.chord_action(ChordAction::CopyFixedTones); }},
    {"delete chord", EditName::DeleteChord,
     [](Document& d) { d.chord_action(ChordAction::DeleteSelected); }},
    {"ratio cell", EditName::EditScaleRatio,
     [](Document& d) { d.edit_cell(DocumentTable::ScaleRatios, TableColumn::Ratios, 2, 1.9f); }},
    {"cents cell", EditName::EditScaleRatio,
     [](Document& d) { d.edit_cell(DocumentTable::ScaleRatios, TableColumn::Cents, 0, 250.0f); }},
    {"tone cell", EditName::EditFixedTone,
     [](Document& d) { d.edit_cell(DocumentTable::FixedTones, TableColumn::Ratios, 1, 1.2f); }},
    {"key cell", EditName::EditChord,
     [](Document& d) {
         d.edit_cell(DocumentTable::MappedChords, TableColumn::MidiNote, 0, int32_t{60});
     }},
    {"chord cell", EditName::EditChord,
     [](Document& d) {
         d.edit_cell(DocumentTable::MappedChords, TableColumn::ChordString, 1,
                     Chord{220.0f, 330.0f});
     }},
    {"volume", EditName::Volume, [](Document& d) { d.set_volume(100); }},
};

TEST_F(UndoTest, EveryActionClassUndoesToTheSavedBytesAndRedoesToItsOwn) {
    for (const ActionCase& c : kEveryActionClass) {
        SCOPED_TRACE(c.what);
        start_again();
        const std::string saved = bytes();
        c.act(doc);
        const std::string done = bytes();
        ASSERT_NE(done, saved) << "the case must change the document";
        EXPECT_TRUE(doc.is_edited());
        EXPECT_EQ(doc.undo_name(), c.name);

        doc.undo();
        EXPECT_EQ(bytes(), saved);
        EXPECT_FALSE(doc.is_edited());
        EXPECT_FALSE(controls.edited) << "the window's mark is cleared too";
        EXPECT_FALSE(doc.can_undo());
        EXPECT_EQ(doc.redo_name(), c.name);
        expect_curve_shown();

        doc.redo();
        EXPECT_EQ(bytes(), done);
        EXPECT_TRUE(controls.edited);
        expect_curve_shown();
        doc.undo();
        EXPECT_EQ(bytes(), saved);
        EXPECT_EQ(controls.beeps, 0);
    }
}

TEST_F(UndoTest, TheEditedMarkFollowsTheSavedPosition) {
    doc.set_step_size(0.01f);
    doc.update_change_count(ChangeKind::Cleared);  // saved here
    doc.set_volume(90);
    EXPECT_TRUE(doc.is_edited());
    doc.undo();
    EXPECT_FALSE(doc.is_edited()) << "back at the saved values";
    doc.undo();
    EXPECT_TRUE(doc.is_edited()) << "before the save";
    doc.redo();
    EXPECT_FALSE(doc.is_edited());

    // A new action after undoing past the save: the saved values are out of reach.
    doc.undo();
    doc.set_base_frequency(300.0f);
    doc.undo();
    EXPECT_TRUE(doc.is_edited());
    EXPECT_FALSE(doc.can_redo() && doc.redo_name() == EditName::Volume);
    doc.redo();
    EXPECT_TRUE(doc.is_edited());
}

TEST_F(UndoTest, AFileReadForgetsTheStepsAndARestoredDocumentStaysEdited) {
    doc.set_volume(90);
    ASSERT_TRUE(doc.apply_state(base_).ok());
    EXPECT_FALSE(doc.can_undo());
    EXPECT_TRUE(doc.is_edited()) << "a read keeps the mark; the caller clears it after a revert";

    doc.update_change_count(ChangeKind::Cleared);
    doc.mark_unsaved();
    doc.set_volume(91);
    doc.undo();
    EXPECT_TRUE(doc.is_edited());
}

TEST_F(UndoTest, RefusedAndEmptyRequestsRecordNothing) {
    doc.set_step_size(-1.0f);
    doc.set_base_frequency(0.0f);
    doc.set_bound(BoundField::XMax, 1000.0f);  // more samples than the step allows
    doc.set_number_of_overtones(0);
    EXPECT_FALSE(doc.can_undo());
    EXPECT_FALSE(doc.is_edited());
    const int refusals = controls.beeps;
    doc.undo();
    doc.redo();
    EXPECT_EQ(controls.beeps, refusals + 2);
}

TEST_F(UndoTest, TheHistoryKeepsTheLatestStepsOnly) {
    for (size_t i = 0; i < UndoHistory::kMaxUndoSteps + 5; ++i)
        doc.set_volume(static_cast<int32_t>(i % 100));
    size_t undone = 0;
    while (doc.can_undo()) {
        doc.undo();
        ++undone;
    }
    EXPECT_EQ(undone, UndoHistory::kMaxUndoSteps);
    EXPECT_EQ(doc.volume(), 4) << "the state before the oldest step kept";
    EXPECT_TRUE(doc.is_edited());
}

TEST_F(UndoTest, RandomEditSequencesUnwindWholeAndReplayExactly) {
    std::mt19937 random(1234);
    for (int run = 0; run < 8; ++run) {
        SCOPED_TRACE(run);
        start_again();
        const std::string saved = bytes();
        for (int i = 0; i < 25; ++i) {
            const int32_t rows = doc.row_count(DocumentTable::ScaleRatios);
            controls.selected_rows[DocumentTable::ScaleRatios] =
                rows > 0 ? static_cast<int32_t>(random() % static_cast<uint32_t>(rows)) : 0;
            kEveryActionClass[random() % kEveryActionClass.size()].act(doc);
        }
        const std::string edited = bytes();
        while (doc.can_undo()) doc.undo();
        EXPECT_EQ(bytes(), saved);
        EXPECT_FALSE(doc.is_edited());
        while (doc.can_redo()) doc.redo();
        EXPECT_EQ(bytes(), edited);
    }
}

}  // namespace
}  // namespace kelvara
