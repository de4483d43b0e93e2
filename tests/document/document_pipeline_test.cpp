// The recompute pipeline: where each kind of edit leaves the curve, its ranges and the
// window. (What a refused value leaves behind: value_rules_test.cpp and the window's tests.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
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
        {"x bound", [](Document& d) { d.curve_actions().set_bound(BoundField::XMax, 1.5f); }, false,
         true},
        {"normalise", [](Document& d) { d.curve_actions().fit_y_range(); }, true, false},
        {"another timbre", [](Document& d) { d.curve_actions().set_overtone_type(OddHarmonics); },
         true, true},
        {"base frequency", [](Document& d) { d.curve_actions().set_base_frequency(261.63f); }, true,
         true},
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
        EXPECT_EQ(w.view.y_range, c.refits_y ? ShownRange(fitted.min, fitted.max) : y_before);
    }
}

TEST_F(PipelineTest, TheSlopeRangeIsRefittedWithEveryYFitWhileShown) {
    doc.curve_actions().set_plot_flags({.slope = true});
    doc.curve_actions().set_base_frequency(220.0f);
    const FloatRange slope = fit_slope_range(doc.curve().x_values(), doc.curve().y_values(),
                                             doc.curve().number_of_points());
    EXPECT_EQ(view.slope_range, ShownRange(slope.min, slope.max));
}

}  // namespace
}  // namespace kelvara
