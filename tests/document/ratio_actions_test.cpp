// The scale and fixed-tone actions on a real document: what each tag does to the lists, and
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
    void preset(int32_t tag, ScaleGeneratorFields fields = {}) {
        doc.scaleRatiosAddDelete(ScaleActionSource::PresetMenu, tag, fields);
    }
    void segment(int32_t tag) { doc.scaleRatiosAddDelete(ScaleActionSource::Segment, tag); }
    void fill_fixed_tones(size_t count) {
        doc.number_of_overtones_changed(2);  // keeps each resampling of many tones quick
        while (doc.dissonance_ratios().size() < count)
            doc.dissonanceRatiosAddDelete(kFixedToneAppendUnison);
    }
    bool scale_is_sorted() const {
        return std::is_sorted(doc.scale_ratios().begin(), doc.scale_ratios().end());
    }
};

TEST_F(RatioActionsTest, PresetsFillTheListSortedWhateverTheFields) {
    preset(kPresetTwelveTone);
    ASSERT_EQ(doc.scale_ratios().size(), 25u);
    EXPECT_EQ(doc.scale_ratios().front(), 1.0f);
    EXPECT_EQ(doc.scale_ratios().back(), 4.0f);
    // Again: every entry doubled, the twins side by side.
    preset(kPresetTwelveTone);
    ASSERT_EQ(doc.scale_ratios().size(), 50u);
    EXPECT_EQ(doc.scale_ratios()[0], doc.scale_ratios()[1]);
    EXPECT_TRUE(scale_is_sorted());

    segment(kScaleRemoveAll);
    preset(kPresetJustRatios, {19, 3.0f});
    EXPECT_EQ(doc.scale_ratios().size(), 29u);

    segment(kScaleRemoveAll);
    preset(kPresetFromFields, {13, 3.0f});
    EXPECT_EQ(doc.scale_ratios().size(), 18u);
    EXPECT_GT(doc.scale_ratios().back(), 4.2f);

    segment(kScaleRemoveAll);
    preset(kPresetFromFields, {-1, 1.0f});  // the field's -1 gives the sixteen-step list
    EXPECT_EQ(doc.scale_ratios().size(), 33u);
    preset(kPresetEightStepHarmonics, {99, 1.0f});
    preset(kPresetNineteenTone);
    EXPECT_EQ(doc.scale_ratios().size(), 33u + 17u + 39u);
    EXPECT_TRUE(scale_is_sorted());
}

TEST_F(RatioActionsTest, HarmonicsOnTwoAreSortedInAmongTheEntriesPresent) {
    segment(kScaleAppendUnison);
    preset(kPresetTwelveTone);
    preset(kPresetSixteenStepHarmonics, {0, 2.0f});
    ASSERT_EQ(doc.scale_ratios().size(), 1u + 25u + 33u);
    EXPECT_EQ(doc.scale_ratios()[0], 1.0f);
    EXPECT_EQ(doc.scale_ratios()[1], 1.0f);
    EXPECT_EQ(doc.scale_ratios().back(), 8.0f);
    EXPECT_TRUE(scale_is_sorted());
}

TEST_F(RatioActionsTest, GeneratedValuesGoInAtTheSelectedRowWhichSortingMakesAnAppend) {
    segment(kScaleAppendUnison);
    segment(kScaleAppendUnison);
    select(DocumentTable::ScaleRatios, 1);
    preset(kPresetEightStepHarmonics, {0, 1.0f});
    KelvaraDocument appended;
    appended.scaleRatiosAddDelete(ScaleActionSource::Segment, kScaleAppendUnison);
    appended.scaleRatiosAddDelete(ScaleActionSource::Segment, kScaleAppendUnison);
    appended.scaleRatiosAddDelete(ScaleActionSource::PresetMenu, kPresetEightStepHarmonics,
                                  {0, 1.0f});
    EXPECT_EQ(doc.scale_ratios(), appended.scale_ratios());
}

TEST_F(RatioActionsTest, EverySourceAndTagEndsWithSortMarkReloadResampleRedraw) {
    struct Case {
        ScaleActionSource source;
        int32_t tag;
        ScaleGeneratorFields fields;
        bool beeps;
    };
    const std::vector<Case> cases{
        {ScaleActionSource::Segment, kScaleAppendUnison, {}, false},
        {ScaleActionSource::Segment, kScaleDeleteSelected, {}, true},  // nothing selected
        {ScaleActionSource::Segment, kScalePresetSegment, {}, false},
        {ScaleActionSource::Segment, kScaleRemoveAll, {}, false},
        {ScaleActionSource::Segment, 17, {}, false},
        {ScaleActionSource::PresetMenu, kPresetFromFields, {12, 1.05f}, false},  // inserts nothing
        {ScaleActionSource::PresetMenu, 6, {}, false},
        {ScaleActionSource::PresetMenu, kPresetFromFields, {-5, 2.0f}, true},  // past the bound
    };
    std::vector<bool> sorted_and_marked_at_reload;
    controls.on_reload = [&](DocumentTable) {
        sorted_and_marked_at_reload.push_back(scale_is_sorted() && doc.isDocumentEdited());
    };
    for (const Case& c : cases) {
        // An unsorted, unchanged document before the action.
        doc.replace_scale_ratios({3.0f, 2.0f});
        doc.updateChangeCount(ChangeKind::Cleared);
        forget_calls();
        doc.scaleRatiosAddDelete(c.source, c.tag, c.fields);
        std::vector<std::string> expected{"document_edited_changed", "reload_table",
                                          "update_graph"};
        if (c.beeps) expected.insert(expected.begin(), "beep");
        EXPECT_EQ(timeline.names(), expected) << c.tag;
        EXPECT_EQ(controls.named("reload_table"), std::vector<std::string>{"reload_table scale"});
        EXPECT_TRUE(doc.isDocumentEdited());
        EXPECT_TRUE(scale_is_sorted());
    }
    EXPECT_EQ(sorted_and_marked_at_reload.size(), cases.size());
    EXPECT_THAT(sorted_and_marked_at_reload, Each(true));
}

TEST_F(RatioActionsTest, DeleteRemovesTheSelectedRowOrBeeps) {
    preset(kPresetTwelveTone);
    select(DocumentTable::ScaleRatios, 0);
    segment(kScaleDeleteSelected);
    EXPECT_EQ(doc.scale_ratios().size(), 24u);
    EXPECT_NE(doc.scale_ratios().front(), 1.0f);

    select(DocumentTable::ScaleRatios, 24);  // past the end
    segment(kScaleDeleteSelected);
    EXPECT_EQ(controls.beeps, 1);

    segment(kScaleRemoveAll);
    EXPECT_TRUE(doc.scale_ratios().empty());
    select(DocumentTable::ScaleRatios, 0);
    segment(kScaleDeleteSelected);
    EXPECT_EQ(controls.beeps, 2);
}

TEST_F(RatioActionsTest, AppendedUnisonSortsAfterSmallerRatios) {
    doc.replace_scale_ratios({0.5f, 2.0f});
    segment(kScaleAppendUnison);
    EXPECT_THAT(doc.scale_ratios(), ElementsAre(0.5f, 1.0f, 2.0f));
}

TEST_F(RatioActionsTest, AGeneratorRunPastTheBoundBeepsAndInsertsNothing) {
    segment(kScaleAppendUnison);
    forget_calls();
    preset(kPresetFromFields, {-3, 2.0f});
    preset(kPresetFromFields, {100000, 2.0f});
    EXPECT_EQ(controls.beeps, 2);
    EXPECT_THAT(doc.scale_ratios(), ElementsAre(1.0f));
    EXPECT_EQ(view.named("update_graph").size(), 2u);
}

TEST_F(RatioActionsTest, FixedToneActionsRecomputeAndRefitInOrder) {
    doc.dissonanceRatiosAddDelete(kFixedToneAppendUnison);
    EXPECT_THAT(doc.dissonance_ratios(), ElementsAre(1.0f, 1.0f));
    EXPECT_THAT(timeline.names(),
                ElementsAre("document_edited_changed", "reload_table", "show_float", "show_float",
                            "set_y_axis_min_max", "update_graph"));
    EXPECT_EQ(controls.named("reload_table").front(), "reload_table dissonance");

    preset(kPresetJustRatios);
    select(DocumentTable::ScaleRatios, 7);  // 3/2
    doc.dissonanceRatiosAddDelete(kFixedToneCopyScaleRow);
    EXPECT_THAT(doc.dissonance_ratios(), ElementsAre(1.0f, 1.0f, 1.5f));
    EXPECT_EQ(doc.scale_ratios().size(), 29u);

    select(DocumentTable::DissonanceRatios, 0);
    doc.dissonanceRatiosAddDelete(kFixedToneDeleteSelected);
    EXPECT_THAT(doc.dissonance_ratios(), ElementsAre(1.0f, 1.5f)) << "never sorted";

    forget_calls();
    doc.dissonanceRatiosAddDelete(9);
    EXPECT_THAT(timeline.names(), ElementsAre("reload_table", "show_float", "show_float",
                                              "set_y_axis_min_max", "update_graph"));
    EXPECT_EQ(controls.beeps, 0);
}

TEST_F(RatioActionsTest, FixedToneBeepsEndTheActionWithoutAChangeMark) {
    fill_fixed_tones(10);
    preset(kPresetJustRatios);
    select(DocumentTable::ScaleRatios, 3);
    const std::vector<float> before = doc.dissonance_ratios();
    const int32_t points = doc.number_of_points();
    doc.updateChangeCount(ChangeKind::Cleared);
    forget_calls();

    doc.dissonanceRatiosAddDelete(kFixedToneAppendUnison);  // full
    doc.dissonanceRatiosAddDelete(kFixedToneCopyScaleRow);  // full
    controls.selected_rows.clear();
    doc.dissonanceRatiosAddDelete(kFixedToneDeleteSelected);  // nothing selected
    EXPECT_EQ(controls.beeps, 3);
    EXPECT_THAT(timeline.names(), ElementsAre("beep", "beep", "beep"));
    EXPECT_FALSE(doc.isDocumentEdited());
    EXPECT_EQ(doc.dissonance_ratios(), before);
    EXPECT_EQ(doc.number_of_points(), points);

    // Room again, but nothing selected in the scale table, or a ratio that cannot be a tone.
    select(DocumentTable::DissonanceRatios, 0);
    doc.dissonanceRatiosAddDelete(kFixedToneDeleteSelected);
    controls.selected_rows.erase(DocumentTable::ScaleRatios);
    doc.dissonanceRatiosAddDelete(kFixedToneCopyScaleRow);
    doc.replace_scale_ratios({0.0f});
    select(DocumentTable::ScaleRatios, 0);
    doc.dissonanceRatiosAddDelete(kFixedToneCopyScaleRow);
    EXPECT_EQ(controls.beeps, 5);
    EXPECT_EQ(doc.dissonance_ratios().size(), 9u);
}

}  // namespace
}  // namespace kelvara
