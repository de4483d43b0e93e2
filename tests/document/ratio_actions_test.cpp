// The scale and fixed-tone actions on a real document: what each action does to the lists, and
// the follow-up that runs after it, in order, as the window and the graph see it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "document/document.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;

class RatioActionsTest : public testing::DocumentInRecordingWindow {
protected:
    void select(DocumentTable table, int32_t row) { controls.selected_rows[table] = row; }
    void preset(ScalePreset preset, ScaleGeneratorFields fields = {}) {
        doc.add_scale_preset(preset, fields);
    }
    void segment(ScaleAction action) { doc.scale_action(action); }
    void fill_fixed_tones(size_t count) {
        doc.set_number_of_overtones(2);  // keeps each resampling of many tones quick
        while (doc.tables().fixed_tones().size() < count)
            doc.fixed_tone_action(FixedToneAction::AppendUnison);
    }
    bool scale_is_sorted() const {
        return std::is_sorted(doc.tables().scale_ratios().begin(),
                              doc.tables().scale_ratios().end());
    }
};

TEST_F(RatioActionsTest, PresetsFillTheListSortedWhateverTheFields) {
    preset(ScalePreset::TwelveTone);
    ASSERT_EQ(doc.tables().scale_ratios().size(), 25u);
    EXPECT_EQ(doc.tables().scale_ratios().front(), 1.0f);
    EXPECT_EQ(doc.tables().scale_ratios().back(), 4.0f);
    // Again: every entry doubled, the twins side by side.
    preset(ScalePreset::TwelveTone);
    ASSERT_EQ(doc.tables().scale_ratios().size(), 50u);
    EXPECT_EQ(doc.tables().scale_ratios()[0], doc.tables().scale_ratios()[1]);
    EXPECT_TRUE(scale_is_sorted());

    segment(ScaleAction::RemoveAll);
    preset(ScalePreset::JustRatios, {19, 3.0f});
    EXPECT_EQ(doc.tables().scale_ratios().size(), 29u);

    segment(ScaleAction::RemoveAll);
    preset(ScalePreset::FromFields, {13, 3.0f});
    EXPECT_EQ(doc.tables().scale_ratios().size(), 18u);
    EXPECT_GT(doc.tables().scale_ratios().back(), 4.2f);

    segment(ScaleAction::RemoveAll);
    preset(ScalePreset::SixteenStepHarmonics, {-1, 1.0f});
    EXPECT_EQ(doc.tables().scale_ratios().size(), 33u);
    preset(ScalePreset::EightStepHarmonics, {99, 1.0f});
    preset(ScalePreset::NineteenTone);
    EXPECT_EQ(doc.tables().scale_ratios().size(), 33u + 17u + 39u);
    EXPECT_TRUE(scale_is_sorted());
}

TEST_F(RatioActionsTest, HarmonicsOnTwoAreSortedInAmongTheEntriesPresent) {
    segment(ScaleAction::AppendUnison);
    preset(ScalePreset::TwelveTone);
    preset(ScalePreset::SixteenStepHarmonics, {0, 2.0f});
    ASSERT_EQ(doc.tables().scale_ratios().size(), 1u + 25u + 33u);
    EXPECT_EQ(doc.tables().scale_ratios()[0], 1.0f);
    EXPECT_EQ(doc.tables().scale_ratios()[1], 1.0f);
    EXPECT_EQ(doc.tables().scale_ratios().back(), 8.0f);
    EXPECT_TRUE(scale_is_sorted());
}

TEST_F(RatioActionsTest, GeneratedValuesGoInAtTheSelectedRowWhichSortingMakesAnAppend) {
    segment(ScaleAction::AppendUnison);
    segment(ScaleAction::AppendUnison);
    select(DocumentTable::ScaleRatios, 1);
    preset(ScalePreset::EightStepHarmonics, {0, 1.0f});
    Document appended;
    appended.scale_action(ScaleAction::AppendUnison);
    appended.scale_action(ScaleAction::AppendUnison);
    appended.add_scale_preset(ScalePreset::EightStepHarmonics, {0, 1.0f});
    EXPECT_EQ(doc.tables().scale_ratios(), appended.tables().scale_ratios());
}

TEST_F(RatioActionsTest, EveryActionAndPresetEndsWithSortMarkReloadResampleRedraw) {
    struct Case {
        std::optional<ScaleAction> action;  // else the preset
        ScalePreset preset;
        ScaleGeneratorFields fields;
        bool beeps;
    };
    const std::vector<Case> cases{
        {ScaleAction::AppendUnison, {}, {}, false},
        {ScaleAction::DeleteSelected, {}, {}, true},  // nothing selected
        {ScaleAction::RemoveAll, {}, {}, false},
        {std::nullopt, ScalePreset::FromFields, {12, 1.05f}, true},  // an interval below 1.1
        {std::nullopt, ScalePreset::FromFields, {-5, 2.0f}, true},   // fewer than 1 step
        {std::nullopt, ScalePreset::FromFields, {5, 2.0f}, false},
    };
    std::vector<bool> sorted_and_marked_at_reload;
    const auto look_at_reload = [&](DocumentTable) {
        sorted_and_marked_at_reload.push_back(scale_is_sorted() && doc.is_edited());
    };
    for (const Case& c : cases) {
        // An unchanged document before the action.
        controls.on_reload = nullptr;
        replace_scale_ratios({3.0f, 2.0f});
        doc.update_change_count(ChangeKind::Cleared);
        forget_calls();
        controls.on_reload = look_at_reload;
        if (c.action)
            doc.scale_action(*c.action);
        else
            doc.add_scale_preset(c.preset, c.fields);
        // A refused action beeps, says why and ends there.
        const std::vector<std::string> expected =
            c.beeps ? std::vector<std::string>{"beep"}
                    : std::vector<std::string>{"show_edited", "reload_table", "redraw"};
        EXPECT_EQ(timeline.names(), expected) << c.fields.tet;
        EXPECT_EQ(controls.named("reload_table").size(), c.beeps ? 0u : 1u);
        EXPECT_EQ(doc.is_edited(), !c.beeps);
        EXPECT_TRUE(scale_is_sorted());
    }
    EXPECT_EQ(sorted_and_marked_at_reload.size(), 3u);
    EXPECT_THAT(sorted_and_marked_at_reload, Each(true));
}

TEST_F(RatioActionsTest, DeleteRemovesTheSelectedRowOrBeeps) {
    preset(ScalePreset::TwelveTone);
    select(DocumentTable::ScaleRatios, 0);
    segment(ScaleAction::DeleteSelected);
    EXPECT_EQ(doc.tables().scale_ratios().size(), 24u);
    EXPECT_NE(doc.tables().scale_ratios().front(), 1.0f);

    select(DocumentTable::ScaleRatios, 24);  // past the end
    segment(ScaleAction::DeleteSelected);
    EXPECT_EQ(controls.beeps, 1);

    segment(ScaleAction::RemoveAll);
    EXPECT_TRUE(doc.tables().scale_ratios().empty());
    select(DocumentTable::ScaleRatios, 0);
    segment(ScaleAction::DeleteSelected);
    EXPECT_EQ(controls.beeps, 2);
}

TEST_F(RatioActionsTest, AppendedUnisonSortsAfterSmallerRatios) {
    replace_scale_ratios({0.5f, 2.0f});
    segment(ScaleAction::AppendUnison);
    EXPECT_THAT(doc.tables().scale_ratios(), ElementsAre(0.5f, 1.0f, 2.0f));
}

TEST_F(RatioActionsTest, AGeneratorRunPastTheBoundBeepsAndInsertsNothing) {
    segment(ScaleAction::AppendUnison);
    forget_calls();
    preset(ScalePreset::FromFields, {-3, 2.0f});
    preset(ScalePreset::FromFields, {100000, 2.0f});
    EXPECT_EQ(controls.beeps, 2);
    EXPECT_THAT(doc.tables().scale_ratios(), ElementsAre(1.0f));
    EXPECT_EQ(view.named("redraw").size(), 0u);
}

TEST_F(RatioActionsTest, FixedToneActionsRecomputeAndRefitInOrder) {
    doc.fixed_tone_action(FixedToneAction::AppendUnison);
    EXPECT_THAT(doc.tables().fixed_tones(), ElementsAre(1.0f, 1.0f));
    EXPECT_THAT(timeline.names(), ElementsAre("show_edited", "reload_table", "show_float",
                                              "show_float", "set_y_range", "redraw"));
    EXPECT_EQ(controls.named("reload_table").front(), "reload_table fixed");

    preset(ScalePreset::JustRatios);
    select(DocumentTable::ScaleRatios, 7);  // 3/2
    doc.fixed_tone_action(FixedToneAction::CopySelectedScaleRatio);
    EXPECT_THAT(doc.tables().fixed_tones(), ElementsAre(1.0f, 1.0f, 1.5f));
    EXPECT_EQ(doc.tables().scale_ratios().size(), 29u);

    select(DocumentTable::FixedTones, 0);
    doc.fixed_tone_action(FixedToneAction::DeleteSelected);
    EXPECT_THAT(doc.tables().fixed_tones(), ElementsAre(1.0f, 1.5f)) << "never sorted";
}

TEST_F(RatioActionsTest, FixedToneBeepsEndTheActionWithoutAChangeMark) {
    fill_fixed_tones(10);
    preset(ScalePreset::JustRatios);
    select(DocumentTable::ScaleRatios, 3);
    const std::vector<float> before = doc.tables().fixed_tones();
    const int32_t points = doc.curve().number_of_points();
    doc.update_change_count(ChangeKind::Cleared);
    forget_calls();

    doc.fixed_tone_action(FixedToneAction::AppendUnison);            // full
    doc.fixed_tone_action(FixedToneAction::CopySelectedScaleRatio);  // full
    controls.selected_rows.clear();
    doc.fixed_tone_action(FixedToneAction::DeleteSelected);  // nothing selected
    EXPECT_EQ(controls.beeps, 3);
    EXPECT_THAT(timeline.names(), ElementsAre("beep", "beep", "beep"));
    EXPECT_FALSE(doc.is_edited());
    EXPECT_EQ(doc.tables().fixed_tones(), before);
    EXPECT_EQ(doc.curve().number_of_points(), points);

    // Room again, but nothing selected in the scale table.
    select(DocumentTable::FixedTones, 0);
    doc.fixed_tone_action(FixedToneAction::DeleteSelected);
    controls.selected_rows.erase(DocumentTable::ScaleRatios);
    doc.fixed_tone_action(FixedToneAction::CopySelectedScaleRatio);
    EXPECT_EQ(controls.beeps, 4);
    EXPECT_EQ(doc.tables().fixed_tones().size(), 9u);
}

}  // namespace
}  // namespace kelvara
