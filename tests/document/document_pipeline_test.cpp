// The recompute pipeline: where each kind of edit leaves the curve, its ranges and the
// window, and what a refused value leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

#include "document/document.h"
#include "engine/engine_limits.h"
#include "engine/range_fit.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using testing::DocumentInWindow;
using testing::ShownRange;
using PipelineTest = testing::DocumentInRecordingWindow;

TEST(Pipeline, EachEditResamplesRefitsAndMarksAsItShould) {
    struct Case {
        const char* what;
        std::function<void(Document&)> edit;
        bool refits_y;
        bool edited;
    };
    const std::vector<Case> cases{
        {"step", [](Document& d) { d.curve_actions().set_step_size(0.01f); }, false, true},
        {"overtones", [](Document& d) { d.curve_actions().set_number_of_overtones(3); }, true,
         true},
        {"y bound", [](Document& d) { d.curve_actions().set_bound(BoundField::YMax, 2.5f); }, false,
         true},
        {"x bound", [](Document& d) { d.curve_actions().set_bound(BoundField::XMax, 1.5f); }, false,
         true},
        {"normalise", [](Document& d) { d.curve_actions().fit_y_range(); }, true, false},
        {"same timbre again",
         [](Document& d) { d.curve_actions().set_overtone_type(GeometricHarmonics); }, false,
         false},
        {"another timbre", [](Document& d) { d.curve_actions().set_overtone_type(OddHarmonics); },
         true, true},
        {"base frequency", [](Document& d) { d.curve_actions().set_base_frequency(261.63f); }, true,
         true},
        {"slope shown",
         [](Document& d) {
             d.curve_actions().set_plot_flags({.just_ratios = true, .slope = true});
         },
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocumentInWindow w;
        const ShownRange y_before = w.view.y_range;
        c.edit(w.doc);
        w.expect_view_shows_document();
        EXPECT_EQ(w.doc.is_edited(), c.edited);
        const FloatRange fitted =
            fit_y_range(w.doc.curve().y_values(), w.doc.curve().number_of_points());
        if (c.refits_y) {
            EXPECT_EQ(w.view.y_range, ShownRange(fitted.min, fitted.max));
        } else if (std::string(c.what) != "y bound") {
            EXPECT_EQ(w.view.y_range, y_before);
        }
    }
}

TEST_F(PipelineTest, StoredValuesAreThe32BitValuesTypedAndRetypingThemChangesNothing) {
    doc.curve_actions().set_base_frequency(261.63f);
    EXPECT_EQ(doc.curve().base_frequency(), 261.6300048828125);
    EXPECT_EQ(doc.curve().max_number_of_points(), 602);
    doc.curve_actions().set_step_size(0.01f);
    EXPECT_EQ(doc.curve().max_number_of_points(), 302) << "0.01f widened is just below 0.01";

    doc.history().update_change_count(ChangeKind::Cleared);
    const float* const lent = view.y_values;
    doc.curve_actions().set_step_size(0.01f);
    doc.curve_actions().set_number_of_overtones(25);
    doc.curve_actions().set_bound(BoundField::XMin, 1.0f);
    doc.curve_actions().set_bound(BoundField::YMax, doc.curve().y_max());
    EXPECT_FALSE(doc.is_edited());
    EXPECT_EQ(view.y_values, lent);
}

TEST_F(PipelineTest, TheSlopeRangeIsRefittedWithEveryYFitWhileShown) {
    doc.curve_actions().set_plot_flags({.slope = true});
    EXPECT_EQ(view.layers, (PlotFlags{.slope = true}));
    const ShownRange before = view.slope_range;
    doc.curve_actions().set_base_frequency(220.0f);
    const FloatRange slope = fit_slope_range(doc.curve().x_values(), doc.curve().y_values(),
                                             doc.curve().number_of_points());
    EXPECT_EQ(ShownRange(doc.curve().slope_min(), doc.curve().slope_max()),
              ShownRange(slope.min, slope.max));
    EXPECT_EQ(view.slope_range, ShownRange(slope.min, slope.max));
    EXPECT_NE(view.slope_range, before);
}

// Everything a refused edit must leave as it was, the window included.
struct Snapshot {
    DocumentFileState state;
    std::vector<float> xs, ys;
    bool edited;
    const float* lent;
    int32_t shown_points;
    ShownRange x_range, y_range;
    Snapshot(const Document& d, const testing::RecordingCurveView& view)
        : state(d.state()),
          xs(d.curve().x_values(), d.curve().x_values() + d.curve().max_number_of_points()),
          ys(d.curve().y_values(), d.curve().y_values() + d.curve().max_number_of_points()),
          edited(d.is_edited()),
          lent(view.y_values),
          shown_points(view.number_of_points),
          x_range(view.x_range),
          y_range(view.y_range) {}
    bool operator==(const Snapshot&) const = default;
};

TEST_F(PipelineTest, RefusedValuesBeepAndLeaveTheDocumentUntouched) {
    const Snapshot before(doc, view);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    int expected_beeps = 0;
    const auto refused = [&](const char* what) {
        ++expected_beeps;
        EXPECT_EQ(controls.beeps, expected_beeps) << what;
        EXPECT_TRUE(Snapshot(doc, view) == before) << what;
    };
    for (float step : {-0.005f, nan, 1e-9f}) {
        controls.floats.clear();
        doc.curve_actions().set_step_size(step);
        refused("step");
        EXPECT_EQ(controls.floats[FloatField::StepSize], 0.005f) << "shown again as stored";
    }
    for (int32_t tag : {-1, 7}) {
        doc.curve_actions().set_overtone_type(tag);
        refused("timbre type");
    }
    // The bounds of each value: value_rules_test.cpp.
    doc.curve_actions().set_bound(BoundField::XMax, 5.0f);
    refused("x range wider than the arrays");
    doc.curve_actions().set_bound(BoundField::YMax, nan);
    refused("NaN y bound");
    EXPECT_FALSE(doc.table_actions().set_fixed_tones(std::vector<float>(11, 1.0f)));
    refused("eleven fixed tones");
}

}  // namespace
}  // namespace kelvara
