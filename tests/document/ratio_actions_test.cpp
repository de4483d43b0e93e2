// The scale and fixed-tone actions on a real document: what each does to the lists, and the
// window left showing them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "document/document.h"
#include "engine/range_fit.h"
#include "scales/ratio_form.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

class RatioActionsTest : public testing::DocumentInRecordingWindow {
protected:
    void select(DocumentTable table, int32_t row) { controls.selected_rows[table] = row; }
    const std::vector<float>& scale() const { return doc.tables().scale_ratios(); }
    bool scale_is_sorted() const { return std::is_sorted(scale().begin(), scale().end()); }
};

// Replace (the default) makes a preset the whole scale, sorted, from the fields it takes and
// whatever the fields it does not; Add puts in only what is new. Either is one undo step back
// to the scale before it.
TEST_F(RatioActionsTest, PresetsReplaceTheScaleOrAddOnlyNewValuesInOneUndoStep) {
    const std::vector<float> before{1.0f, 1.25f};
    struct Case {
        ScalePreset preset;
        ScaleGeneratorFields fields;
        ScaleImportMode mode;
        size_t count;
    };
    const Case cases[] = {
        {ScalePreset::TwelveTone, {}, ScaleImportMode::Replace, 25},
        {ScalePreset::TwelveTone, {}, ScaleImportMode::Add, 25 + 1},  // 1 is there already
        {ScalePreset::FromFields, {13, 3.0f}, ScaleImportMode::Add, 18 + 1},
        {ScalePreset::EightStepHarmonics, {99, 1.0f}, ScaleImportMode::Replace, 17},
    };  // a Replace count is the preset's own, whatever the fields it does not take
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.preset) * 10 + static_cast<int>(c.mode));
        replace_scale_ratios(before);
        doc.history().update_change_count(ChangeKind::Cleared);
        doc.table_actions().add_scale_preset(c.preset, c.fields, c.mode);
        EXPECT_EQ(scale().size(), c.count);
        EXPECT_TRUE(scale_is_sorted());
        EXPECT_EQ(std::adjacent_find(scale().begin(), scale().end()), scale().end())
            << "no value twice";
        if (c.mode == ScaleImportMode::Add) {
            EXPECT_TRUE(
                std::includes(scale().begin(), scale().end(), before.begin(), before.end()));
            // Adding the same values again finds nothing new: no second step.
            doc.table_actions().add_scale_preset(c.preset, c.fields, c.mode);
        }
        EXPECT_EQ(scale().size(), c.count);
        EXPECT_EQ(doc.history().undo_name(), EditName::ScalePreset);
        doc.history().undo();
        EXPECT_EQ(scale(), before);
        EXPECT_FALSE(doc.history().can_undo());
    }
}

TEST_F(RatioActionsTest, EveryScaleActionLeavesTheListSortedShownAndChangedOrRefused) {
    struct Case {
        std::optional<ScaleAction> action;  // else the preset with the fields
        ScaleGeneratorFields fields;
        std::vector<float> expected;
        bool beeps;
        std::optional<int32_t> selected = std::nullopt;
    };
    const std::vector<Case> cases{
        {ScaleAction::AppendUnison, {}, {0.5f, 1.0f, 2.0f}, false},
        {ScaleAction::DeleteSelected, {}, {0.5f}, false, 1},
        {ScaleAction::DeleteSelected, {}, {0.5f, 2.0f}, true},  // nothing selected
        {ScaleAction::RemoveAll, {}, {}, false},
        {std::nullopt, {12, 1.05f}, {0.5f, 2.0f}, true},  // an interval below 1.1
        {std::nullopt, {-5, 2.0f}, {0.5f, 2.0f}, true},   // fewer than 1 step
    };
    for (const Case& c : cases) {
        replace_scale_ratios({2.0f, 0.5f});
        doc.history().update_change_count(ChangeKind::Cleared);
        controls.reloaded.clear();
        view.number_of_points = -1;
        controls.selected_rows.erase(DocumentTable::ScaleRatios);
        if (c.selected) select(DocumentTable::ScaleRatios, *c.selected);
        const int beeps = controls.beeps;
        if (c.action)
            doc.table_actions().scale_action(*c.action);
        else
            doc.table_actions().add_scale_preset(ScalePreset::FromFields, c.fields);
        EXPECT_EQ(scale(), c.expected) << c.fields.tet;
        EXPECT_EQ(controls.beeps - beeps, c.beeps ? 1 : 0) << c.fields.tet;
        // A refused action ends at the beep: no mark, no undo step, nothing reloaded.
        EXPECT_EQ(doc.is_edited(), !c.beeps);
        EXPECT_EQ(doc.history().can_undo(), !c.beeps);
        EXPECT_EQ(controls.reloaded.contains(DocumentTable::ScaleRatios), !c.beeps);
        if (!c.beeps) expect_view_shows_document();
    }
}

// A ratio's form goes where its ratio goes: with it through sorting, away with it on removal,
// back with it on Undo, and dropped once the ratio under it changes. Generated scales show
// equal steps in cents and just ratios as fractions.
TEST_F(RatioActionsTest, FormsFollowTheirRatiosThroughEditsSortsRemovalAndUndo) {
    const auto shown = [this] {
        std::vector<std::string> texts;
        for (int32_t row = 0; row < doc.tables().row_count(DocumentTable::ScaleRatios); ++row)
            texts.push_back(doc.tables().scale_ratio_text(row));
        return texts;
    };
    const struct {
        ScalePreset preset;
        size_t row;
        const char* text;
    } generated[] = {{ScalePreset::NineteenTone, 1, "63.15789c"},
                     {ScalePreset::JustRatios, 1, "10/9"}};
    for (const auto& [preset, row, text] : generated) {
        doc.table_actions().add_scale_preset(preset);
        EXPECT_EQ(shown().at(row), text);
    }

    doc.table_actions().scale_action(ScaleAction::RemoveAll);
    for (int i = 0; i < 3; ++i) doc.table_actions().scale_action(ScaleAction::AppendUnison);
    const auto edit = [this](int32_t row, CellValue value) {
        doc.table_actions().edit_cell(DocumentTable::ScaleRatios, TableColumn::Ratios, row, value);
    };
    edit(0, TypedRatio{*ratio_of_form("16/15"), "16/15"});  // sorts to the last row
    edit(0, TypedRatio{*ratio_of_form("386.31c"), "386.31c"});
    EXPECT_THAT(shown(), ElementsAre("1/1", "16/15", "386.31c"));
    edit(2, 1.2345678f);  // the cents' ratio changed under the form: the form is gone
    EXPECT_THAT(shown(), ElementsAre("1/1", "16/15", "1.2345678"));
    doc.history().undo();
    EXPECT_THAT(shown(), ElementsAre("1/1", "16/15", "386.31c"));
    select(DocumentTable::ScaleRatios, 1);
    doc.table_actions().scale_action(ScaleAction::DeleteSelected);
    EXPECT_THAT(shown(), ElementsAre("1/1", "386.31c"));
}

TEST_F(RatioActionsTest, FixedToneActionsKeepTheirOrderAndRefitTheCurve) {
    doc.table_actions().fixed_tone_action(FixedToneAction::AppendUnison);
    EXPECT_THAT(doc.tables().fixed_tones(), ElementsAre(1.0f, 1.0f));
    EXPECT_TRUE(controls.reloaded.contains(DocumentTable::FixedTones));
    expect_view_shows_document();
    EXPECT_EQ(doc.curve().y_max(),
              fit_y_range(doc.curve().y_values(), doc.curve().number_of_points()).max);

    doc.table_actions().add_scale_preset(ScalePreset::JustRatios);
    select(DocumentTable::ScaleRatios, 11);  // 3/2
    doc.table_actions().fixed_tone_action(FixedToneAction::CopySelectedScaleRatio);
    EXPECT_THAT(doc.tables().fixed_tones(), ElementsAre(1.0f, 1.0f, 1.5f));
    select(DocumentTable::FixedTones, 0);
    doc.table_actions().fixed_tone_action(FixedToneAction::DeleteSelected);
    EXPECT_THAT(doc.tables().fixed_tones(), ElementsAre(1.0f, 1.5f)) << "never sorted";
    expect_view_shows_document();
}

}  // namespace
}  // namespace kelvara
