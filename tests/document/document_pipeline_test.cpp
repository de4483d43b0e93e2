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
using testing::RecordingControls;
using testing::RecordingGraphView;

using PipelineTest = testing::DocumentInRecordingWindow;

TEST(WindowBuilt, FillsControlsThenSamplesThenLendsTheArrays) {
    RecordingGraphView view;
    RecordingControls controls;
    KelvaraDocument doc;
    doc.attach_view(&view);
    doc.attach_controls(&controls);
    doc.windowControllerDidLoadNib();
    EXPECT_THAT(
        view.names(),
        ElementsAre("set_x_axis_min_max", "set_y_axis_min_max", "set_curve_color_fill",
                    "set_dy_curve_color_fill", "set_bg_color", "set_text_color",
                    "set_should_draw_justs", "set_should_plot_line", "set_should_draw_derivative",
                    "set_should_draw_derivative", "set_value_arrays_x_y", "update_graph"));
    EXPECT_EQ(view.calls.back(), "update_graph 201");
    EXPECT_EQ(view.x_values, doc.x_values());
    EXPECT_THAT(
        controls.names(),
        ElementsAre("reload_table", "reload_table", "select_waveform", "show_float", "show_float",
                    "show_float", "show_float", "show_float", "show_number_of_overtones",
                    "show_float", "show_plot_segments", "show_volume"));
    EXPECT_EQ(controls.calls.back(), "show_volume 64");
    EXPECT_FALSE(doc.isDocumentEdited());
    doc.attach_view(nullptr);
}

TEST(Volume, TheWindowSendsTheStoredVolumeAndTheSliderSendsEachMove) {
    testing::RecordingChannel channel;
    RecordingControls controls;
    KelvaraDocument doc;
    doc.attach_channel(&channel);
    doc.attach_controls(&controls);
    doc.windowControllerDidLoadNib();
    EXPECT_THAT(channel.calls, ElementsAre("set_midi_parameter 7 64"));
    doc.volume_set(100);
    doc.volume_set(-1);
    EXPECT_THAT(channel.calls, ElementsAre("set_midi_parameter 7 64", "set_midi_parameter 7 100",
                                           "set_midi_parameter 7 4294967295"))
        << "the synthesizer limits values above 127, a negative one included";
    EXPECT_EQ(doc.volume(), -1);
    EXPECT_TRUE(controls.edited);
}

TEST_F(PipelineTest, StepChangeHandsNewArraysToTheViewBeforeRedrawAndKeepsTheYRange) {
    const float y_max = doc.y_max();
    doc.step_size_changed(0.01f);
    EXPECT_THAT(view.names(), ElementsAre("set_value_arrays_x_y", "update_graph"));
    EXPECT_EQ(view.calls.back(), "update_graph 101");
    EXPECT_EQ(view.x_values, doc.x_values());
    EXPECT_EQ(view.y_values, doc.y_values());
    EXPECT_EQ(doc.max_number_of_points(), 301) << "0.01f widened is just below 0.01";
    EXPECT_EQ(doc.y_max(), y_max);
    EXPECT_TRUE(doc.isDocumentEdited());
    EXPECT_TRUE(controls.edited);
}

TEST_F(PipelineTest, OvertoneChangeReallocatesResamplesAndRefitsY) {
    doc.number_of_overtones_changed(3);
    EXPECT_THAT(view.names(),
                ElementsAre("set_y_axis_min_max", "set_value_arrays_x_y", "update_graph"));
    EXPECT_EQ(doc.number_of_partials(), 6);
    EXPECT_NE(doc.y_max(), 4.0f);
}

TEST_F(PipelineTest, TypingTheStoredValueDoesNothing) {
    doc.step_size_changed(0.005f);
    doc.number_of_overtones_changed(25);
    doc.boundsChanged(BoundField::XMin, 1.0f);
    doc.boundsChanged(BoundField::YMax, 4.0f);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_TRUE(controls.calls.empty());
    EXPECT_FALSE(doc.isDocumentEdited());
}

TEST_F(PipelineTest, YBoundEditRedrawsWithoutResampling) {
    const float before = doc.y_values()[10];
    doc.boundsChanged(BoundField::YMax, 2.5f);
    EXPECT_THAT(view.calls, ElementsAre("set_x_axis_min_max 1 2", "set_y_axis_min_max 0 2.5",
                                        "update_graph 201"));
    EXPECT_EQ(doc.y_values()[10], before);
    EXPECT_TRUE(doc.isDocumentEdited());
}

TEST_F(PipelineTest, XBoundEditResamplesWithoutRefit) {
    doc.boundsChanged(BoundField::XMax, 1.5f);
    EXPECT_THAT(view.calls, ElementsAre("set_x_axis_min_max 1 1.5", "set_y_axis_min_max 0 4",
                                        "update_graph 101"));
}

TEST_F(PipelineTest, NormaliseRefitsWithoutMarkingTheDocumentChanged) {
    doc.normalize_y_axis_pressed();
    EXPECT_THAT(view.names(), ElementsAre("set_y_axis_min_max", "update_graph"));
    EXPECT_FALSE(doc.isDocumentEdited());
    const FloatRange fitted = fit_y_range(doc.y_values(), doc.number_of_points());
    EXPECT_EQ(doc.y_min(), fitted.min);
    EXPECT_EQ(doc.y_max(), fitted.max);
    EXPECT_NE(doc.y_max(), 4.0f);
}

TEST_F(PipelineTest, RechoosingTheTimbreStillMarksChangedAndRefits) {
    doc.waveformSelected(GeometricHarmonics);
    EXPECT_THAT(view.names(), ElementsAre("set_y_axis_min_max", "update_graph"));
    EXPECT_TRUE(doc.isDocumentEdited());
}

TEST_F(PipelineTest, BaseFrequencyIsStoredAsIts32BitValue) {
    doc.baseFrequencyEdited(261.63f);
    EXPECT_EQ(doc.base_frequency(), 261.6300048828125);
    EXPECT_THAT(view.names(), ElementsAre("set_y_axis_min_max", "update_graph"));
}

TEST_F(PipelineTest, PlotControl) {
    doc.plotPressed(true, false, false);
    EXPECT_THAT(view.calls, ElementsAre("set_should_draw_justs 1", "set_should_plot_line 0"));
    EXPECT_TRUE(doc.isDocumentEdited());
    view.clear();

    doc.plotPressed(true, false, true);
    EXPECT_THAT(view.names(),
                ElementsAre("set_should_draw_justs", "set_should_plot_line", "set_dy_axis_min_max",
                            "set_should_draw_derivative", "update_graph"));
    const float dy_min = doc.dy_min(), dy_max = doc.dy_max();
    EXPECT_LT(dy_min, 0.0f);
    view.clear();

    doc.plotPressed(true, false, false);
    EXPECT_THAT(view.names(), ElementsAre("set_should_draw_justs", "set_should_plot_line",
                                          "set_should_draw_derivative", "update_graph"));
    EXPECT_EQ(doc.dy_min(), dy_min);
    EXPECT_EQ(doc.dy_max(), dy_max);
}

TEST_F(PipelineTest, DerivativeRangeIsRefittedWithEveryYFitWhileShown) {
    doc.plotPressed(false, false, true);
    view.clear();
    doc.baseFrequencyEdited(220.0f);
    EXPECT_THAT(view.names(),
                ElementsAre("set_y_axis_min_max", "set_dy_axis_min_max", "update_graph"));
}

TEST(DocumentLifetime, DestructionTakesTheArraysBackFromTheView) {
    RecordingGraphView view;
    {
        KelvaraDocument doc;
        doc.attach_view(&view);
        doc.windowControllerDidLoadNib();
        view.clear();
    }
    EXPECT_THAT(view.calls, ElementsAre("set_value_arrays_x_y null null"));
}

TEST(ChangeCount, DoneUndoneAndCleared) {
    KelvaraDocument doc;
    doc.updateChangeCount(ChangeKind::Done);
    doc.updateChangeCount(ChangeKind::Done);
    doc.updateChangeCount(ChangeKind::Undone);
    EXPECT_TRUE(doc.isDocumentEdited());
    doc.updateChangeCount(ChangeKind::Cleared);
    EXPECT_FALSE(doc.isDocumentEdited());
}

// Everything a refused edit must leave as it was.
struct Snapshot {
    int32_t type, overtones, points, capacity, partials;
    double base, step;
    float x_min, x_max, y_min, y_max;
    std::vector<float> ratios, xs, ys;
    bool edited;
    explicit Snapshot(const KelvaraDocument& d)
        : type(d.overtone_type()),
          overtones(d.number_of_overtones()),
          points(d.number_of_points()),
          capacity(d.max_number_of_points()),
          partials(d.number_of_partials()),
          base(d.base_frequency()),
          step(d.step_size()),
          x_min(d.x_min()),
          x_max(d.x_max()),
          y_min(d.y_min()),
          y_max(d.y_max()),
          ratios(d.dissonance_ratios()),
          xs(d.x_values(), d.x_values() + d.max_number_of_points()),
          ys(d.y_values(), d.y_values() + d.max_number_of_points()),
          edited(d.isDocumentEdited()) {}
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
        EXPECT_TRUE(view.named("update_graph").empty()) << what;
        EXPECT_TRUE(view.named("set_value_arrays").empty()) << what;
    };
    for (float step : {0.0f, -0.005f, nan, inf, 1e-9f}) {
        doc.step_size_changed(step);
        refused("step");
    }
    for (int32_t n : {0, -3, kMaxOvertones + 1}) {
        doc.number_of_overtones_changed(n);
        refused("overtones");
    }
    for (int32_t tag : {-1, 6, 1000}) {
        doc.waveformSelected(tag);
        refused("timbre type");
    }
    for (float base : {0.0f, -440.0f, nan, inf}) {
        doc.baseFrequencyEdited(base);
        refused("base frequency");
    }
    doc.boundsChanged(BoundField::XMax, 5.0f);
    refused("x range wider than the arrays");
    doc.boundsChanged(BoundField::XMin, -inf);
    refused("infinite x bound");
    doc.boundsChanged(BoundField::YMax, nan);
    refused("NaN y bound");
    EXPECT_FALSE(doc.set_dissonance_ratios(eleven));
    refused("eleven fixed tones");
    EXPECT_FALSE(doc.set_dissonance_ratios(bad_ratio));
    refused("NaN ratio");
}

TEST_F(PipelineTest, RefusedValueIsShownAgainAsStored) {
    doc.step_size_changed(-1.0f);
    EXPECT_THAT(controls.calls, ElementsAre("beep", "show_float 4 0.005"));
}

}  // namespace
}  // namespace kelvara
