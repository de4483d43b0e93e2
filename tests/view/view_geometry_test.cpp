// The graph view's geometry: its layout, the maps between values and view units and their
// inverses, the ranges it refuses, the paths it builds from the lent arrays, and the real
// document driving it.
#include <gtest/gtest.h>

#include <QTest>
#include <cmath>
#include <limits>
#include <vector>

#include "document/document.h"
#include "view/view_test_support.h"

namespace kelvara {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Point {
    float x;
    float y;
    bool starts_subpath;
};

std::vector<Point> points_of(const std::optional<StrokedPath>& stroked) {
    std::vector<Point> points;
    for (int i = 0; stroked && i < stroked->path.elementCount(); ++i) {
        const auto e = stroked->path.elementAt(i);
        points.push_back({static_cast<float>(e.x), static_cast<float>(e.y), e.isMoveTo()});
    }
    return points;
}

bool drawn(const std::optional<StrokedPath>& stroked) {
    return stroked && !stroked->path.isEmpty();
}

// The ratios of a path of vertical segments, checking that each spans the whole frame.
std::vector<float> segment_ratios(const GraphWidget& view,
                                  const std::optional<StrokedPath>& stroked) {
    std::vector<float> ratios;
    const auto points = points_of(stroked);
    const FloatRect frame = view.graph_frame();
    for (size_t i = 0; i + 1 < points.size(); i += 2) {
        EXPECT_TRUE(points[i].starts_subpath);
        EXPECT_EQ(points[i].x, points[i + 1].x);
        EXPECT_EQ(points[i].y, frame.y);
        EXPECT_EQ(points[i + 1].y, frame.y + frame.height);
        ratios.push_back(view.x_for_location(points[i].x));
    }
    return ratios;
}

// A 300 by 200 view, laid out by a first repaint: frame (20, 20, 275, 175), x 1 to 2,
// y and slope 0 to 4.
class ViewGeometry : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(300, 200);
        testing::rendered(view);
    }
    GraphWidget view;
};

TEST_F(ViewGeometry, TheRangesFillTheFrameAndAResizeLaysItOutAgain) {
    EXPECT_EQ(view.graph_frame(), (FloatRect{20, 20, 275, 175}));
    const float xs[] = {1.0f, 2.0f};
    const float ys[] = {0.0f, 4.0f};
    view.lend_arrays(xs, ys);
    view.redraw(2);
    view.resize(301, 200);
    testing::rendered(view);
    EXPECT_EQ(view.graph_frame(), (FloatRect{20, 20, 276, 175}));
    EXPECT_FLOAT_EQ(points_of(view.curve_path())[1].x, 296.0f) << "the paths are rebuilt";
    EXPECT_EQ(view.axes_image().width(), 301);
}

TEST_F(ViewGeometry, EachInverseUndoesItsMap) {
    view.set_x_range(0.5, 3.25);
    view.set_y_range(-1.0, 7.0);
    view.set_slope_range(-40.0, 25.0);
    for (const float v : {-2.0f, 0.5f, 1.2345f, 3.25f, 9.0f}) {
        EXPECT_NEAR(view.x_for_location(view.location_for_x(v)), v, 1e-5f) << v;
        EXPECT_NEAR(view.y_for_location(view.location_for_y(v)), v, 1e-5f) << v;
        EXPECT_NEAR(view.dy_for_location(view.location_for_dy(v * 10)), v * 10, 1e-4f) << v;
    }
}

TEST_F(ViewGeometry, AReversedRangeMirrorsAndRangesWithoutAScaleAreIgnored) {
    view.set_x_range(1.5, 1.5);
    view.set_y_range(0.0, std::numeric_limits<double>::infinity());
    view.set_slope_range(std::nan(""), 1.0);
    view.set_x_range(-3e38, 3e38);  // the span overflows a float
    EXPECT_EQ(view.x_min(), 1.0f);
    EXPECT_EQ(view.x_max(), 2.0f);
    EXPECT_FLOAT_EQ(view.x_scale(), 275.0f);
    EXPECT_FLOAT_EQ(view.y_scale(), 43.75f);
    EXPECT_FLOAT_EQ(view.dy_scale(), 43.75f);

    view.set_y_range(4.0, 0.0);
    EXPECT_FLOAT_EQ(view.location_for_y(4.0f), 20.0f);
    EXPECT_FLOAT_EQ(view.location_for_y(0.0f), 195.0f);

    GraphWidget narrow;  // a plotting area of no width maps every press to the minimum
    narrow.resize(25, 200);
    testing::rendered(narrow);
    EXPECT_EQ(narrow.x_scale(), 0.0f);
    EXPECT_EQ(narrow.x_for_location(123.0f), 1.0f);
}

TEST_F(ViewGeometry, APressSetsTheReadoutFromTheMapsAndKeepsTheCursor) {
    view.move_cursor_line(1.25f);
    // The frame's lower-left corner: view (20, 20) is widget (20, 180).
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(20, 180));
    EXPECT_EQ(view.readout_text(), "(1.000, 0.000)");
    EXPECT_EQ(view.cursor_ratio(), 1.25f);
}

TEST_F(ViewGeometry, TheCurveIsAPolylineThroughTheMappedSamples) {
    const float xs[] = {1.0f, 1.5f, 2.0f};
    const float ys[] = {0.0f, 4.0f, 2.0f};
    view.lend_arrays(xs, ys);
    view.redraw(3);
    const auto points = points_of(view.curve_path());
    ASSERT_EQ(points.size(), 3u);
    const Point expected[] = {
        {20.0f, 20.0f, true}, {157.5f, 195.0f, false}, {295.0f, 107.5f, false}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(points[i].x, expected[i].x) << i;
        EXPECT_FLOAT_EQ(points[i].y, expected[i].y) << i;
        EXPECT_EQ(points[i].starts_subpath, expected[i].starts_subpath) << i;
    }
    view.lend_arrays(nullptr, ys);  // null arrays leave the paths as they were
    view.redraw(1000);
    EXPECT_EQ(points_of(view.curve_path()).size(), 3u);
}

TEST_F(ViewGeometry, TheDerivativeIsTheSlopeAtEachIntervalsMidpoint) {
    const float xs[] = {1.0f, 1.5f, 2.0f, 2.5f};
    const float ys[] = {0.0f, 1.0f, 1.0f, 3.0f};
    view.set_x_range(1.0, 3.0);
    view.set_y_range(-2.0, 6.0);  // a y range unlike the slope range, to tell them apart
    view.set_slope_range(-1.0, 5.0);
    view.lend_arrays(xs, ys);
    view.show_slope(true);
    view.redraw(4);
    const auto points = points_of(view.dy_curve_path());
    ASSERT_EQ(points.size(), 3u);
    const float expected_x[] = {1.25f, 1.75f, 2.25f};
    const float expected_slope[] = {2.0f, 0.0f, 4.0f};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(points[i].starts_subpath, i == 0);
        EXPECT_NEAR(view.x_for_location(points[i].x), expected_x[i], 1e-6f);
        EXPECT_FLOAT_EQ(points[i].y, 20.0f + (expected_slope[i] + 1.0f) * 175.0f / 6.0f);
    }
    view.show_slope(false);
    view.redraw(4);
    EXPECT_FALSE(drawn(view.dy_curve_path()));
}

TEST_F(ViewGeometry, PointsThatAreNotFiniteAreLeftOutAndTheLineResumes) {
    const float xs[] = {1.0f, 1.1f, 1.2f, 1.3f, 1.4f, 1.5f, 1.6f, 1.7f};
    const float ys[] = {1.0f, 1.0f, kNaN, 2.0f, 3.0f, kInf, 1.0f, 2.0f};
    view.lend_arrays(xs, ys);
    view.show_slope(true);
    view.redraw(8);
    const auto curve = points_of(view.curve_path());
    ASSERT_EQ(curve.size(), 6u);
    for (size_t i = 0; i < curve.size(); ++i) EXPECT_EQ(curve[i].starts_subpath, i % 2 == 0);
    EXPECT_NEAR(view.x_for_location(curve[2].x), 1.3f, 1e-6f);  // resumes after the NaN
    EXPECT_NEAR(view.x_for_location(curve[4].x), 1.6f, 1e-6f);  // and after the infinity
    // Slopes 0, NaN, NaN, 10, inf, -inf, 10: only finite ones are placed.
    for (const auto& p : points_of(view.dy_curve_path()))
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    testing::rendered(view);  // and painting them neither warns nor hangs
}

TEST_F(ViewGeometry, MarkersAndCursorFollowTheRangesAndOutliveShortCurves) {
    view.show_just_ratios(true);
    auto ratios = segment_ratios(view, view.justs_path());
    ASSERT_EQ(ratios.size(), 14u);  // up to the octave
    EXPECT_FLOAT_EQ(ratios[0], 1.0f);
    EXPECT_NEAR(ratios[1], 16.0f / 15.0f, 1e-6f);
    view.set_x_range(1.0, 2.5);
    view.redraw(0);
    ratios = segment_ratios(view, view.justs_path());
    ASSERT_EQ(ratios.size(), 28u);  // and the same above it
    EXPECT_NEAR(ratios[14], 2.0f, 1e-6f);
    EXPECT_NEAR(ratios[27], 2.0f * 15 / 8, 1e-6f);

    // The cursor keeps its ratio while off; fewer than two points leave only the curves empty.
    view.move_cursor_line(1.5f);
    EXPECT_FALSE(drawn(view.ratio_line_path()));
    view.show_cursor_line(true);
    const float xs[] = {1.0f, 1.5f};
    const float ys[] = {1.0f, 2.0f};
    view.lend_arrays(xs, ys);
    view.show_slope(true);
    view.set_y_range(0.0, 2.0);
    for (const int32_t count : {0, 1, -5}) {
        view.redraw(count);
        EXPECT_FALSE(drawn(view.curve_path())) << count;
        EXPECT_FALSE(drawn(view.dy_curve_path())) << count;
        EXPECT_EQ(segment_ratios(view, view.justs_path()).size(), 28u);
        EXPECT_EQ(segment_ratios(view, view.ratio_line_path()), std::vector<float>{1.5f});
    }
    view.move_cursor_line(kNaN);
    EXPECT_FALSE(drawn(view.ratio_line_path()));
}

// The seam through the real document: window set-up lends the arrays, ranges and flags.
TEST(ViewWithDocument, DrawsTheDocumentsCurveAndReadsNothingFreedAfterIt) {
    GraphWidget view;
    view.resize(300, 200);
    {
        Document document;
        NullDocumentView no_fields;
        document.attach_views(view, no_fields);
        document.show_all();
        const auto& curve = document.curve();
        const int32_t last = curve.number_of_points() - 1;
        const auto points = points_of(view.curve_path());
        ASSERT_EQ(points.size(), size_t(last + 1));
        EXPECT_FLOAT_EQ(points[last].x, view.location_for_x(curve.x_values()[last]));
        EXPECT_FLOAT_EQ(points[last].y, view.location_for_y(curve.y_values()[last]));
        document.set_plot_flags(true, true, true);
        EXPECT_EQ(points_of(view.dy_curve_path()).size(), size_t(last));
        EXPECT_EQ(segment_ratios(view, view.justs_path()).size(), 14u);
    }
    // The document took its arrays back when it went: a relayout reads nothing freed.
    view.resize(320, 200);
    testing::rendered(view);
    EXPECT_EQ(view.number_of_points(), 201);
}

}  // namespace
}  // namespace kelvara
