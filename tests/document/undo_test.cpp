// Undo and redo on a real document: every action class taken back to the identical saved
// bytes and done again, the edited mark following the saved position, whole sequences
// unwound, and the bound of the history. (A volume drag as one step, the volume sent again,
// and Ctrl+Z from a field: tests/app/undo_recovery_test.cpp, through the real window.)
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/document_io.h"
#include "document/undo_history.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using D = Document;
struct ActionCase {
    EditName name;
    void (*act)(D&);
};

// One action of each way of changing the document, each changing the saved document below:
// every action records its step the same way, so one of a kind stands for its siblings (a
// preset, the keyboard map, the partial table and the roughness model are undone whole in
// their own tests as well).
const std::vector<ActionCase> kEveryActionClass{
    {EditName::StepSize, [](D& d) { d.curve_actions().set_step_size(0.01f); }},
    {EditName::NumberOfOvertones, [](D& d) { d.curve_actions().set_number_of_overtones(7); }},
    {EditName::BaseFrequency, [](D& d) { d.curve_actions().set_base_frequency(261.5f); }},
    {EditName::RatioRange, [](D& d) { d.curve_actions().set_bound(BoundField::XMax, 3.0f); }},
    {EditName::AddScaleRatio,
     [](D& d) { d.table_actions().scale_action(ScaleAction::AppendUnison); }},
    {EditName::SetFixedTones,
     [](D& d) {
         d.table_actions().set_fixed_tones(std::vector<float>{1.0f, 1.25f, 1.75f});
     }},
    {EditName::AddChord, [](D& d) { d.table_actions().chord_action(ChordAction::AddAtFreeKey); }},
    {EditName::EditScaleRatio,
     [](D& d) {
         d.table_actions().edit_cell(DocumentTable::ScaleRatios, TableColumn::Cents, 0, 250.0f);
     }},
    {EditName::Volume, [](D& d) { d.playback_actions().set_volume(100); }},
    {EditName::ImportScale,
     [](D& d) {
         EXPECT_TRUE(d.tuning_actions().import_scale(*read_scala_scale("x\n2\n1.0\n2/1\n"),
                                                     ScaleImportMode::Add));
     }},
    {EditName::Timbre, [](D& d) { d.curve_actions().set_overtone_type(CustomPartials); }},
    {EditName::CustomPartials,
     [](D& d) {
         EXPECT_TRUE(d.timbre_actions().set_custom_partials({{1.0, 1.0}, {2.756, 0.5}}));
     }},
};

class UndoTest : public testing::DocumentInRecordingWindow {
protected:
    // A saved document with something in every list.
    UndoTest() {
        doc.curve_actions().set_number_of_overtones(4);  // keeps the many resamplings quick
        doc.table_actions().add_scale_preset(ScalePreset::JustRatios);
        const float tones[] = {1.0f, 1.5f};
        doc.table_actions().set_fixed_tones(tones);
        doc.table_actions().chord_action(ChordAction::AddAtFreeKey);
        doc.table_actions().chord_action(ChordAction::CopyFixedTones);
        base_ = doc.state();
        start_again();
    }
    void start_again() {
        ASSERT_TRUE(doc.apply_state(base_).ok());
        doc.history().update_change_count(ChangeKind::Cleared);
        controls.beeps = 0;
    }
    std::string bytes() const { return document_text(doc); }
    void expect_undo_and_redo(const std::vector<ActionCase>& actions);

    DocumentFileState base_;
};

void UndoTest::expect_undo_and_redo(const std::vector<ActionCase>& actions) {
    for (size_t i = 0; i < actions.size(); ++i) {
        SCOPED_TRACE(i);
        start_again();
        const std::string saved = bytes();
        actions[i].act(doc);
        const std::string done = bytes();
        ASSERT_NE(done, saved) << "the case must change the document";
        EXPECT_EQ(doc.history().undo_name(), actions[i].name);
        doc.history().undo();
        EXPECT_EQ(bytes(), saved);
        EXPECT_FALSE(controls.edited) << "back at the saved bytes";
        EXPECT_FALSE(doc.history().can_undo());
        // The window draws the arrays of the state undone to.
        EXPECT_EQ(view.x_values, doc.curve().x_values());
        EXPECT_EQ(view.number_of_points, doc.curve().number_of_points());
        doc.history().redo();
        EXPECT_EQ(bytes(), done);
        EXPECT_TRUE(controls.edited);
        EXPECT_EQ(controls.beeps, 0);
    }
}

// (The partial table's actions, each one undo step with its name: custom_timbre_actions_test.cpp.)
TEST_F(UndoTest, EveryActionClassUndoesToTheSavedBytesAndRedoesToItsOwn) {
    expect_undo_and_redo(kEveryActionClass);
}

// A zoom or pan gesture sends many range pairs inside one continuous edit: one undo step
// takes the whole gesture back. A refused pair changes nothing and records nothing.
TEST_F(UndoTest, AGestureOfRangeChangesIsOneStepAndARefusedPairChangesNothing) {
    const std::string saved = bytes();
    doc.history().begin_continuous_edit();
    for (const float x_max : {1.9f, 1.7f, 1.6f, 1.5f})
        doc.curve_actions().set_graph_ranges(1.1f, x_max, 0.5f, 2.0f + x_max);
    doc.history().end_continuous_edit();
    EXPECT_EQ(doc.curve().x_max(), 1.5f);
    EXPECT_EQ(doc.history().undo_name(), EditName::GraphRanges);
    doc.history().undo();
    EXPECT_EQ(bytes(), saved);
    EXPECT_FALSE(doc.history().can_undo()) << "the gesture was one step";

    struct Refused {
        float x_min, x_max, y_min, y_max;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const Refused r : {Refused{1.5f, 1.5f, 0.0f, 1.0f}, Refused{1.0f, 2.0f, nan, 1.0f}}) {
        controls.beeps = 0;
        doc.curve_actions().set_graph_ranges(r.x_min, r.x_max, r.y_min, r.y_max);
        EXPECT_EQ(bytes(), saved) << r.x_min << " " << r.x_max << " " << r.y_min;
        EXPECT_EQ(controls.beeps, 1);
        EXPECT_FALSE(doc.history().can_undo());
    }
}

TEST_F(UndoTest, TheEditedMarkFollowsTheSavedPosition) {
    doc.curve_actions().set_step_size(0.01f);
    doc.history().update_change_count(ChangeKind::Cleared);  // saved here
    doc.playback_actions().set_volume(90);
    doc.history().undo();
    EXPECT_FALSE(doc.is_edited()) << "back at the saved values";
    doc.history().undo();
    EXPECT_TRUE(doc.is_edited()) << "before the save";
    doc.history().redo();
    EXPECT_FALSE(doc.is_edited());

    // A new action after undoing past the save: the saved values are out of reach.
    doc.history().undo();
    doc.curve_actions().set_base_frequency(300.0f);
    EXPECT_FALSE(doc.history().can_redo());
    doc.history().undo();
    EXPECT_TRUE(doc.is_edited());
    doc.history().redo();
    EXPECT_TRUE(doc.is_edited());
}

TEST(UndoHistoryTest, KeepsTheLatestStepsOnly) {
    UndoHistory history;
    DocumentFileState state;
    for (int32_t volume = 0; volume <= static_cast<int32_t>(UndoHistory::kMaxUndoSteps) + 5;
         ++volume) {
        state.volume = volume;
        history.record(EditName::Volume, state);
    }
    size_t undone = 0;
    while (std::optional<DocumentFileState> before = history.undo(state)) {
        state = *before;
        ++undone;
    }
    EXPECT_EQ(undone, UndoHistory::kMaxUndoSteps);
    EXPECT_EQ(state.volume, 6) << "the state before the oldest step kept";
}

}  // namespace
}  // namespace kelvara
