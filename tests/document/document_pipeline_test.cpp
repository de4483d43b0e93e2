// The recompute pipeline: which engine steps and view calls follow each kind of edit, in
// which order, and what a refused value leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "document/document.h"
#include "engine/engine_limits.h"
#include "engine/range_fit.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;
using testing::RecordingCurveView;
using testing::RecordingDocumentView;

using PipelineTest = testing::DocumentInRecordingWindow;

TEST(WindowBuilt, FillsControlsThenSamplesThenLendsTheArrays) {
    RecordingCurveView view;
    RecordingDocumentView controls;
    Document doc;
    doc.attach_views(view, controls);
    doc.show_all();
    EXPECT_THAT(view.names(), ElementsAre("set_x_range", "set_y_range", "set_curve_colors",
                                          "set_slope_colors", "set_background_color",
                                          "set_text_color", "show_just_ratios", "show_cursor_line",
                                          "show_slope", "show_slope", "lend_arrays", "redraw"));
    EXPECT_EQ(view.calls.back(), "redraw 201");
    EXPECT_EQ(view.x_values, doc.curve().x_values());
    EXPECT_THAT(
        controls.names(),
        ElementsAre("reload_table", "reload_table", "select_waveform", "show_float", "show_float",
                    "show_float", "show_float", "show_float", "show_number_of_overtones",
                    "show_float", "show_plot_segments", "show_volume"));
    EXPECT_EQ(controls.calls.back(), "show_volume 64");
    EXPECT_FALSE(doc.is_edited());
    doc.detach_views();
}

TEST(Volume, TheWindowSendsTheStoredVolumeAndTheSliderSendsEachMove) {
    testing::RecordingSynthChannel channel;
    RecordingDocumentView controls;
    Document doc;
    doc.attach_synth_channel(channel);
    doc.attach_views(controls);
    doc.show_all();
    EXPECT_THAT(channel.calls, ElementsAre("set_midi_parameter 7 64"));
    doc.set_volume(100);
    doc.set_volume(-1);
    EXPECT_THAT(channel.calls, ElementsAre("set_midi_parameter 7 64", "set_midi_parameter 7 100",
                                           "set_midi_parameter 7 4294967295"))
        << "the synthesizer limits values above 127, a negative one included";
    EXPECT_EQ(doc.volume(), -1);
    EXPECT_TRUE(controls.edited);
}

TEST_F(PipelineTest, StepChangeHandsNewArraysToTheViewBeforeRedrawAndKeepsTheYRange) {
    const float y_max = doc.curve().y_max();
    doc.set_step_size(0.01f);
    EXPECT_THAT(view.names(), ElementsAre("lend_arrays", "redraw"));
    EXPECT_EQ(view.calls.back(), "redraw 101");
    EXPECT_EQ(view.x_values, doc.curve().x_values());
    EXPECT_EQ(view.y_values, doc.curve().y_values());
    EXPECT_EQ(doc.curve().max_number_of_points(), 302) << "0.01f widened is just below 0.01";
    EXPECT_EQ(doc.curve().y_max(), y_max);
    EXPECT_TRUE(doc.is_edited());
    EXPECT_TRUE(controls.edited);
}

TEST_F(PipelineTest, OvertoneChangeReallocatesResamplesAndRefitsY) {
    doc.set_number_of_overtones(3);
    EXPECT_THAT(view.names(), ElementsAre("set_y_range", "lend_arrays", "redraw"));
    EXPECT_EQ(doc.curve().number_of_partials(), 6);
    EXPECT_NE(doc.curve().y_max(), 4.0f);
}

TEST_F(PipelineTest, TypingTheStoredValueDoesNothing) {
    doc.set_step_size(0.005f);
    doc.set_number_of_overtones(25);
    doc.set_bound(BoundField::XMin, 1.0f);
    doc.set_bound(BoundField::YMax, 4.0f);
    EXPECT_TRUE(view.calls.empty());
    // The fields show the stored values again, as the shortest text that reads back.
    EXPECT_THAT(controls.names(),
                ElementsAre("show_float", "show_number_of_overtones", "show_float", "show_float"));
    EXPECT_FALSE(doc.is_edited());
}

TEST_F(PipelineTest, YBoundEditRedrawsWithoutResampling) {
    const float before = doc.curve().y_values()[10];
    doc.set_bound(BoundField::YMax, 2.5f);
    EXPECT_THAT(view.calls, ElementsAre("set_x_range 1 2", "set_y_range 0 2.5", "redraw 201"));
    EXPECT_EQ(doc.curve().y_values()[10], before);
    EXPECT_TRUE(doc.is_edited());
}

TEST_F(PipelineTest, XBoundEditResamplesWithoutRefit) {
    doc.set_bound(BoundField::XMax, 1.5f);
    EXPECT_THAT(view.calls, ElementsAre("set_x_range 1 1.5", "set_y_range 0 4", "redraw 101"));
}

TEST_F(PipelineTest, NormaliseRefitsWithoutMarkingTheDocumentChanged) {
    doc.fit_y_range();
    EXPECT_THAT(view.names(), ElementsAre("set_y_range", "redraw"));
    EXPECT_FALSE(doc.is_edited());
    const FloatRange fitted = fit_y_range(doc.curve().y_values(), doc.curve().number_of_points());
    EXPECT_EQ(doc.curve().y_min(), fitted.min);
    EXPECT_EQ(doc.curve().y_max(), fitted.max);
    EXPECT_NE(doc.curve().y_max(), 4.0f);
}

TEST_F(PipelineTest, RechoosingTheTimbreStillMarksChangedAndRefits) {
    doc.set_overtone_type(GeometricHarmonics);
    EXPECT_THAT(view.names(), ElementsAre("set_y_range", "redraw"));
    EXPECT_TRUE(doc.is_edited());
}

TEST_F(PipelineTest, BaseFrequencyIsStoredAsIts32BitValue) {
    doc.set_base_frequency(261.63f);
    EXPECT_EQ(doc.curve().base_frequency(), 261.6300048828125);
    EXPECT_THAT(view.names(), ElementsAre("set_y_range", "redraw"));
}

TEST_F(PipelineTest, PlotControl) {
    doc.set_plot_flags(true, false, false);
    EXPECT_THAT(view.calls, ElementsAre("show_just_ratios 1", "show_cursor_line 0"));
    EXPECT_TRUE(doc.is_edited());
    view.clear();

    doc.set_plot_flags(true, false, true);
    EXPECT_THAT(view.names(), ElementsAre("show_just_ratios", "show_cursor_line", "set_slope_range",
                                          "show_slope", "redraw"));
    const float dy_min = doc.curve().dy_min(), dy_max = doc.curve().dy_max();
    EXPECT_LT(dy_min, 0.0f);
    view.clear();

    doc.set_plot_flags(true, false, false);
    EXPECT_THAT(view.names(),
                ElementsAre("show_just_ratios", "show_cursor_line", "show_slope", "redraw"));
    EXPECT_EQ(doc.curve().dy_min(), dy_min);
    EXPECT_EQ(doc.curve().dy_max(), dy_max);
}

TEST_F(PipelineTest, DerivativeRangeIsRefittedWithEveryYFitWhileShown) {
    doc.set_plot_flags(false, false, true);
    view.clear();
    doc.set_base_frequency(220.0f);
    EXPECT_THAT(view.names(), ElementsAre("set_y_range", "set_slope_range", "redraw"));
}

TEST(DocumentLifetime, DestructionTakesTheArraysBackFromTheView) {
    RecordingCurveView view;
    {
        Document doc;
        NullDocumentView no_fields;
        doc.attach_views(view, no_fields);
        doc.show_all();
        view.clear();
    }
    EXPECT_THAT(view.calls, ElementsAre("lend_arrays null null"));
}

TEST(ChangeCount, DoneUndoneAndCleared) {
    Document doc;
    doc.update_change_count(ChangeKind::Done);
    doc.update_change_count(ChangeKind::Done);
    doc.update_change_count(ChangeKind::Undone);
    EXPECT_TRUE(doc.is_edited());
    doc.update_change_count(ChangeKind::Cleared);
    EXPECT_FALSE(doc.is_edited());
}

// Everything a refused edit must leave as it was.
struct Snapshot {
    int32_t type, overtones, points, capacity, partials;
    double base, step;
    float x_min, x_max, y_min, y_max;
    std::vector<float> ratios, xs, ys;
    bool edited;
    explicit Snapshot(const Document& d)
        : type(d.curve().overtone_type()),
          overtones(d.curve().number_of_overtones()),
          points(d.curve().number_of_points()),
          capacity(d.curve().max_number_of_points()),
          partials(d.curve().number_of_partials()),
          base(d.curve().base_frequency()),
          step(d.curve().step_size()),
          x_min(d.curve().x_min()),
          x_max(d.curve().x_max()),
          y_min(d.curve().y_min()),
          y_max(d.curve().y_max()),
          ratios(d.tables().fixed_tones()),
          xs(d.curve().x_values(), d.curve().x_values() + d.curve().max_number_of_points()),
          ys(d.curve().y_values(), d.curve().y_values() + d.curve().max_number_of_points()),
          edited(d.is_edited()) {}
    bool operator==(const Snapshot&) const = default;
};

TEST_F(PipelineTest, RefusedValuesBeepAndLeaveTheDocumentUntouched) {
    const Snapshot before(doc);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> eleven(11, 1.0f);
    const std::vector<float> bad_ratio{1.0f, nan};

    int expected_beeps = 0;
    const auto refused = [&](const char* what) {
        ++expected_beeps;
        EXPECT_EQ(controls.beeps, expected_beeps) << what;
        EXPECT_TRUE(Snapshot(doc) == before) << what;
        EXPECT_TRUE(view.named("redraw").empty()) << what;
        EXPECT_TRUE(view.named("lend_arrays").empty()) << what;
    };
    for (float step : {0.0f, -0.005f, nan, inf, 1e-9f}) {
        doc.set_step_size(step);
        refused("step");
    }
    for (int32_t n : {0, -3, kMaxOvertones + 1}) {
        doc.set_number_of_overtones(n);
        refused("overtones");
    }
    for (int32_t tag : {-1, 6, 1000}) {
        doc.set_overtone_type(tag);
        refused("timbre type");
    }
    for (float base : {0.0f, -440.0f, nan, inf}) {
        doc.set_base_frequency(base);
        refused("base frequency");
    }
    doc.set_bound(BoundField::XMax, 5.0f);
    refused("x range wider than the arrays");
    doc.set_bound(BoundField::XMin, -inf);
    refused("infinite x bound");
    doc.set_bound(BoundField::YMax, nan);
    refused("NaN y bound");
    EXPECT_FALSE(doc.set_fixed_tones(eleven));
    refused("eleven fixed tones");
    EXPECT_FALSE(doc.set_fixed_tones(bad_ratio));
    refused("NaN ratio");
}

TEST_F(PipelineTest, RefusedValueIsShownAgainAsStored) {
    doc.set_step_size(-1.0f);
    EXPECT_THAT(controls.calls, ElementsAre("beep", "show_float 4 0.005"));
}

}  // namespace
}  // namespace kelvara
