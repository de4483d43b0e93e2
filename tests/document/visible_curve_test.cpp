// The curve as the graph draws it: the visible range at the view's resolution, every cusp at
// the depth the exact minima search finds, and the document's own samples left as they are
// for the file and the CSV.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "document/document_minima.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

class VisibleCurveTest : public testing::DocumentInRecordingWindow {
protected:
    // Six equal harmonics against the unison, zoomed to 1.34–1.67 around 3/2 on 800 pixels.
    void zoom_around_fifth(RatioAxis axis = RatioAxis::Linear) {
        view.shown_resolution = {800, axis};
        doc.curve_actions().set_overtone_type(FlatHarmonics);
        doc.curve_actions().set_number_of_overtones(6);
        doc.curve_actions().set_graph_ranges(1.34f, 1.67f, 0.0f, 0.2f);
        doc.redraw_visible_curve();  // as the window does when the resolution changes
    }
    std::vector<float> shown_x() const {
        return {view.x_values, view.x_values + view.number_of_points};
    }
    float shown_y_at(float ratio) const {
        const std::vector<float> x = shown_x();
        const auto at = std::find(x.begin(), x.end(), ratio);
        return at == x.end() ? NAN : view.y_values[at - x.begin()];
    }
    CurveMinimum minimum_near(double ratio, const std::vector<CurveMinimum>& minima) const {
        return *std::min_element(minima.begin(), minima.end(), [ratio](auto& a, auto& b) {
            return std::fabs(a.ratio - ratio) < std::fabs(b.ratio - ratio);
        });
    }
};

TEST_F(VisibleCurveTest, EveryPixelHasASampleInIncreasingOrderOnEitherAxis) {
    for (const RatioAxis axis : {RatioAxis::Linear, RatioAxis::Cents}) {
        zoom_around_fifth(axis);
        const std::vector<float> x = shown_x();
        ASSERT_GE(x.size(), 800u);
        EXPECT_EQ(x.front(), 1.34f);
        EXPECT_TRUE(std::adjacent_find(x.begin(), x.end(), std::greater_equal<>()) == x.end());
        // No pixel without a sample: on a cents axis the widest gap, at the top, is one pixel.
        const double pixel_cents = 1200.0 * std::log2(1.67 / 1.34) / 800.0;
        for (size_t i = 1; i < x.size(); ++i)
            ASSERT_LE(axis == RatioAxis::Cents ? 1200.0 * std::log2(double(x[i]) / x[i - 1])
                                               : double(x[i]) - x[i - 1],
                      (axis == RatioAxis::Cents ? pixel_cents : 0.33 / 800.0) * 1.0001)
                << i;
    }
    // The document's own samples keep its step: the file and the CSV are unchanged by zoom.
    EXPECT_EQ(doc.curve().number_of_points(), 67);
    EXPECT_NE(view.x_values, doc.curve().x_values());
}

TEST_F(VisibleCurveTest, TheCuspIsDrawnAtTheExactMinimumOnceTheSearchAnswers) {
    zoom_around_fifth();
    const MinimaQuery query = minima_query(doc);
    const auto minima = find_minima(query);
    ASSERT_TRUE(minima);
    const CurveMinimum fifth = minimum_near(1.5, *minima);
    ASSERT_NEAR(fifth.ratio, 1.5, 1e-6);
    // (Its depth and place through the graph's maps: tests/view/view_widget_test.cpp.)
    doc.show_exact_minima(query, *minima);
    EXPECT_FLOAT_EQ(shown_y_at(static_cast<float>(fifth.ratio)), float(fifth.value));
    const std::vector<float> x = shown_x();
    EXPECT_TRUE(std::adjacent_find(x.begin(), x.end(), std::greater_equal<>()) == x.end());

    // Minima found for the curve before an edit are not drawn into the curve after it.
    const std::array<float, 2> tones{1.0f, 1.2f};
    doc.table_actions().set_fixed_tones(tones);
    EXPECT_TRUE(std::isnan(shown_y_at(static_cast<float>(fifth.ratio))) ||
                shown_y_at(static_cast<float>(fifth.ratio)) != float(fifth.value));
}

}  // namespace
}  // namespace kelvara
