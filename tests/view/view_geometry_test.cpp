// The graph view's geometry: its layout, the maps between values and view units and their
// inverses, the ranges it refuses, the paths it builds from the lent arrays, and the real
// document driving it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
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

// A 300 by 200 view, laid out by a first repaint: x 1 to 2, y and slope 0 to 4; the frame
// is wherever the axes' labels leave room for (graph_axes.h, checked in view_axes_test.cpp).
class ViewGeometry : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(300, 200);
        testing::rendered(view);
        f = view.graph_frame();
    }
    GraphWidget view;
    FloatRect f;
};

TEST_F(ViewGeometry, TheRangesFillTheFrameAndAResizeLaysItOutAgain) {
    EXPECT_GT(f.width, 200.0f);
    EXPECT_GT(f.height, 100.0f);
    const float xs[] = {1.0f, 2.0f};
    const float ys[] = {0.0f, 4.0f};
    view.lend_arrays(xs, ys);
    view.redraw(2);
    EXPECT_FLOAT_EQ(points_of(view.curve_path())[1].x, f.x + f.width);
    EXPECT_FLOAT_EQ(points_of(view.curve_path())[1].y, f.y + f.height);
    view.resize(331, 200);
    testing::rendered(view);
    EXPECT_FLOAT_EQ(view.graph_frame().width, f.width + 31.0f);
    EXPECT_FLOAT_EQ(points_of(view.curve_path())[1].x, f.x + f.width + 31.0f)
        << "the paths are rebuilt";
    EXPECT_EQ(view.axes_image().width(), 331);
}

TEST_F(ViewGeometry, EachInverseUndoesItsMap) {
    view.set_x_range(0.5, 3.25);
    view.set_y_range(-1.0, 7.0);
    view.set_slope_range(-40.0, 25.0);
    for (const RatioAxis axis : {RatioAxis::Linear, RatioAxis::Cents}) {
        view.set_ratio_axis(axis);
        for (const float v : {0.2f, 0.5f, 1.2345f, 3.25f, 9.0f}) {
            EXPECT_NEAR(view.x_for_location(view.location_for_x(v)), v, 1e-5f) << v;
            EXPECT_NEAR(view.y_for_location(view.location_for_y(v)), v, 1e-5f) << v;
            EXPECT_NEAR(view.dy_for_location(view.location_for_dy(v * 10)), v * 10, 1e-4f) << v;
        }
    }
}

// On a cents axis a ratio's place is its cents' place: the octave 1 to 2 takes half of a
// 1 to 4 axis, and the ends stay at the frame's edges.
TEST_F(ViewGeometry, ACentsAxisPlacesRatiosByTheirCents) {
    view.set_x_range(1.0, 4.0);
    view.set_ratio_axis(RatioAxis::Cents);
    const FloatRect g = view.graph_frame();
    EXPECT_FLOAT_EQ(view.location_for_x(1.0f), g.x);
    EXPECT_NEAR(view.location_for_x(2.0f), g.x + g.width / 2.0f, 1e-3f);
    EXPECT_NEAR(view.location_for_x(4.0f), g.x + g.width, 1e-3f);
    EXPECT_NEAR(view.location_for_x(1.5f), g.x + g.width * 701.955f / 2400.0f, 1e-2f);
    EXPECT_EQ(view.axes().x_title, "Interval (cents)");
    // Tick labels in cents: whole numbers of a round step.
    ASSERT_GE(view.axes().x_ticks.size(), 3u);
    for (const TickMark& tick : view.axes().x_ticks) {
        EXPECT_FALSE(tick.text.contains('.')) << tick.text.toStdString();
        EXPECT_NEAR(view.location_for_x(static_cast<float>(std::exp2(tick.value / 1200.0))),
                    tick.position, 1e-2f);
    }
    view.set_ratio_axis(RatioAxis::Linear);
    EXPECT_NEAR(view.location_for_x(2.0f), g.x + view.graph_frame().width / 3.0f, 1.0f);
}

TEST_F(ViewGeometry, AReversedRangeMirrorsAndRangesWithoutAScaleAreIgnored) {
    view.set_x_range(1.5, 1.5);
    view.set_y_range(0.0, std::numeric_limits<double>::infinity());
    view.set_slope_range(std::nan(""), 1.0);
    view.set_x_range(-3e38, 3e38);  // the span overflows a float
    EXPECT_EQ(view.x_min(), 1.0f);
    EXPECT_EQ(view.x_max(), 2.0f);
    EXPECT_FLOAT_EQ(view.x_scale(), view.graph_frame().width);
    EXPECT_FLOAT_EQ(view.y_scale(), view.graph_frame().height / 4.0f);
    EXPECT_FLOAT_EQ(view.dy_scale(), view.graph_frame().height / 4.0f);

    view.set_y_range(4.0, 0.0);
    const FloatRect g = view.graph_frame();
    EXPECT_FLOAT_EQ(view.location_for_y(4.0f), g.y);
    EXPECT_FLOAT_EQ(view.location_for_y(0.0f), g.y + g.height);
    view.set_x_range(-1.0, 2.0);  // no place for 0 on a cents axis: it stays linear
    view.set_ratio_axis(RatioAxis::Cents);
    EXPECT_EQ(view.ratio_axis(), RatioAxis::Linear);

    GraphWidget narrow;  // a plotting area of no width maps every press to the minimum
    narrow.resize(25, 200);
    testing::rendered(narrow);
    EXPECT_EQ(narrow.graph_frame().width, 0.0f);
    EXPECT_EQ(narrow.x_for_location(123.0f), 1.0f);
}

TEST_F(ViewGeometry, TheReadoutReadsTheCurveAtThePointersRatio) {
    EXPECT_TRUE(view.readout_text().startsWith("Point at the graph")) << "no (0.000, 0.000)";
    const float xs[] = {1.0f, 1.5f, 2.0f};
    const float ys[] = {0.0f, 0.224f, 2.0f};
    view.lend_arrays(xs, ys);
    view.redraw(3);
    view.move_cursor_line(1.25f);
    // A press well above the curve at 3/2 reads the curve's value there, not the press's.
    const auto widget_point = [&](float ratio, float dissonance) {
        return QPoint(static_cast<int>(std::lround(view.location_for_x(ratio))),
                      static_cast<int>(std::lround(200.0f - view.location_for_y(dissonance))));
    };
    QTest::mouseClick(&view, Qt::LeftButton, {}, widget_point(1.5f, 3.0f));
    ASSERT_TRUE(view.readout_ratio());
    EXPECT_NEAR(*view.readout_ratio(), 1.5f, 0.01f);
    EXPECT_NEAR(*view.curve_value_at(*view.readout_ratio()), 0.224f, 0.05f);
    EXPECT_TRUE(view.readout_text().contains(QStringLiteral("\u2248 3/2")))
        << view.readout_text().toStdString();
    EXPECT_TRUE(view.readout_text().contains("dissonance 0.2"))
        << view.readout_text().toStdString();
    EXPECT_EQ(view.cursor_ratio(), 1.25f) << "a press leaves the cursor line";
    // A right press moves nothing; the pointer's motion does.
    const float read = *view.readout_ratio();
    QTest::mouseClick(&view, Qt::RightButton, {}, widget_point(1.8f, 1.0f));
    EXPECT_EQ(*view.readout_ratio(), read);
    QMouseEvent move(QEvent::MouseMove, widget_point(1.25f, 1.0f), view.mapToGlobal(QPoint()),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    EXPECT_NEAR(*view.readout_ratio(), 1.25f, 0.01f);
    EXPECT_TRUE(view.readout_text().contains(QStringLiteral("5/4")));
    // Between samples the value is interpolated; outside them there is none.
    EXPECT_FLOAT_EQ(*view.curve_value_at(1.75f), 1.112f);
    EXPECT_FALSE(view.curve_value_at(2.5f));
    EXPECT_FALSE(view.curve_value_at(0.5f));
}

TEST_F(ViewGeometry, TheCurveIsAPolylineThroughTheMappedSamples) {
    const float xs[] = {1.0f, 1.5f, 2.0f};
    const float ys[] = {0.0f, 4.0f, 2.0f};
    view.lend_arrays(xs, ys);
    view.redraw(3);
    const auto points = points_of(view.curve_path());
    ASSERT_EQ(points.size(), 3u);
    const Point expected[] = {{f.x, f.y, true},
                              {f.x + f.width / 2, f.y + f.height, false},
                              {f.x + f.width, f.y + f.height / 2, false}};
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
        EXPECT_FLOAT_EQ(points[i].y, view.graph_frame().y + (expected_slope[i] + 1.0f) *
                                                                view.graph_frame().height / 6.0f);
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
        document.curve_actions().set_plot_flags(true, true, true);
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
