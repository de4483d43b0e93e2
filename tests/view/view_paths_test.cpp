// The paths the view builds: curve, derivative, just-ratio markers and cursor line, and
// the real document driving them.
#include <gtest/gtest.h>

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

std::vector<Point> points_of(const QPainterPath& path) {
    std::vector<Point> points;
    for (int i = 0; i < path.elementCount(); ++i) {
        const auto e = path.elementAt(i);
        points.push_back({static_cast<float>(e.x), static_cast<float>(e.y), e.isMoveTo()});
    }
    return points;
}

// Vertical segments as their x positions, checking each spans the whole frame.
std::vector<float> segment_xs(const GraphWidget& view, const QPainterPath& path) {
    std::vector<float> xs;
    const auto points = points_of(path);
    for (size_t i = 0; i + 1 < points.size(); i += 2) {
        EXPECT_TRUE(points[i].starts_subpath);
        EXPECT_EQ(points[i].x, points[i + 1].x);
        EXPECT_EQ(points[i].y, view.graph_frame().y);
        EXPECT_EQ(points[i + 1].y, view.graph_frame().y + view.graph_frame().height);
        xs.push_back(view.x_for_location(points[i].x));
    }
    return xs;
}

class ViewPaths : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(300, 200);
        testing::rendered(view);
    }
    GraphWidget view;
};

TEST_F(ViewPaths, TheCurveIsAPolylineThroughTheMappedSamples) {
    const float xs[] = {1.0f, 1.5f, 2.0f};
    const float ys[] = {0.0f, 4.0f, 2.0f};
    view.lend_arrays(xs, ys);
    view.redraw(3);
    ASSERT_TRUE(view.curve_path());
    EXPECT_EQ(view.curve_path()->line_width, 2.0);
    const auto points = points_of(view.curve_path()->path);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_TRUE(points[0].starts_subpath);
    EXPECT_FALSE(points[1].starts_subpath || points[2].starts_subpath);
    EXPECT_FLOAT_EQ(points[0].x, 20.0f);
    EXPECT_FLOAT_EQ(points[0].y, 20.0f);
    EXPECT_FLOAT_EQ(points[1].x, 157.5f);
    EXPECT_FLOAT_EQ(points[1].y, 195.0f);
    EXPECT_FLOAT_EQ(points[2].x, 295.0f);
    EXPECT_FLOAT_EQ(points[2].y, 107.5f);
    // Nothing was set: the path build takes the default colours.
    EXPECT_EQ(view.curve_color(), (Rgba{0, 0, 0, 0.3f}));
    EXPECT_EQ(view.dy_curve_color(), (Rgba{0, 0, 1, 0.3f}));
}

TEST_F(ViewPaths, TheDerivativeIsTheSlopeAtEachIntervalsMidpoint) {
    const float xs[] = {1.0f, 1.5f, 2.0f, 2.5f};
    const float ys[] = {0.0f, 1.0f, 1.0f, 3.0f};
    view.set_x_range(1.0, 3.0);
    view.set_slope_range(-1.0, 5.0);
    view.lend_arrays(xs, ys);
    view.show_slope(true);
    EXPECT_TRUE(view.dy_curve_path() == std::nullopt);  // only redraw builds it
    view.redraw(4);
    const auto points = points_of(view.dy_curve_path()->path);
    ASSERT_EQ(points.size(), 3u);
    const float expected_x[] = {1.25f, 1.75f, 2.25f};
    const float expected_slope[] = {2.0f, 0.0f, 4.0f};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(points[i].starts_subpath, i == 0);
        EXPECT_NEAR(view.x_for_location(points[i].x), expected_x[i], 1e-6f);
        EXPECT_NEAR(view.dy_for_location(points[i].y), expected_slope[i], 1e-5f);
    }
    view.show_slope(false);
    view.redraw(4);
    EXPECT_TRUE(view.dy_curve_path()->path.isEmpty());
}

TEST_F(ViewPaths, FewerThanTwoPointsLeaveTheCurvesEmptyButRebuildMarkersAndCursor) {
    const float xs[] = {1.0f, 1.5f};
    const float ys[] = {1.0f, 2.0f};
    view.lend_arrays(xs, ys);
    view.show_slope(true);
    view.show_just_ratios(true);
    view.show_cursor_line(true);
    view.move_cursor_line(1.5f);
    view.set_y_range(0.0, 2.0);  // markers and cursor must follow the new range
    for (const int32_t count : {0, 1, -5}) {
        view.redraw(count);
        EXPECT_TRUE(view.curve_path()->path.isEmpty()) << count;
        EXPECT_TRUE(view.dy_curve_path()->path.isEmpty()) << count;
        EXPECT_EQ(segment_xs(view, view.justs_path()->path).size(), 14u);
        EXPECT_EQ(segment_xs(view, view.ratio_line_path()->path).size(), 1u);
    }
}

TEST_F(ViewPaths, NullArraysLeaveThePathsAsTheyWere) {
    const float xs[] = {1.0f, 1.5f, 2.0f};
    const float ys[] = {0.0f, 4.0f, 2.0f};
    view.lend_arrays(xs, ys);
    view.redraw(3);
    view.lend_arrays(nullptr, ys);
    view.redraw(1000);
    EXPECT_EQ(view.curve_path()->path.elementCount(), 3);
}

TEST_F(ViewPaths, PointsThatAreNotFiniteAreLeftOutAndTheLineResumes) {
    const float xs[] = {1.0f, 1.1f, 1.2f, 1.3f, 1.4f, 1.5f, 1.6f, 1.7f};
    const float ys[] = {1.0f, 1.0f, kNaN, 2.0f, 3.0f, kInf, 1.0f, 2.0f};
    view.lend_arrays(xs, ys);
    view.show_slope(true);
    view.redraw(8);
    const auto curve = points_of(view.curve_path()->path);
    ASSERT_EQ(curve.size(), 6u);
    for (size_t i = 0; i < curve.size(); ++i) EXPECT_EQ(curve[i].starts_subpath, i % 2 == 0);
    EXPECT_NEAR(view.x_for_location(curve[2].x), 1.3f, 1e-6f);  // resumes after the NaN
    EXPECT_NEAR(view.x_for_location(curve[4].x), 1.6f, 1e-6f);  // and after the infinity
    // Slopes 0, NaN, NaN, 10, inf, -inf, 10: only finite ones are placed.
    for (const auto& p : points_of(view.dy_curve_path()->path))
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    testing::rendered(view);  // and painting them neither warns nor hangs
}

TEST_F(ViewPaths, FourteenMarkersUpToAnOctaveAndTwentyEightAbove) {
    view.show_just_ratios(true);
    EXPECT_EQ(view.just_color(), (Rgba{1, 0, 0, 0.25f}));
    EXPECT_EQ(view.justs_path()->line_width, 1.0);
    auto xs = segment_xs(view, view.justs_path()->path);
    ASSERT_EQ(xs.size(), 14u);
    EXPECT_EQ(view.justs_path()->path.elementAt(0).x, view.graph_frame().x);  // 1/1
    EXPECT_NEAR(xs[1], 16.0f / 15.0f, 1e-6f);

    view.set_x_range(1.0, 2.5);
    view.redraw(0);
    xs = segment_xs(view, view.justs_path()->path);
    ASSERT_EQ(xs.size(), 28u);
    EXPECT_NEAR(xs[14], 2.0f, 1e-6f);

    view.set_x_range(1.0, 5.0);
    view.redraw(0);
    xs = segment_xs(view, view.justs_path()->path);
    EXPECT_NEAR(*std::max_element(xs.begin(), xs.end()), 3.75f, 1e-6f);

    view.show_just_ratios(false);
    EXPECT_TRUE(view.justs_path() && view.justs_path()->path.isEmpty());
}

TEST_F(ViewPaths, TheCursorRemembersItsRatioWhileOff) {
    view.move_cursor_line(1.5f);
    EXPECT_EQ(view.line_color(), (Rgba{0, 0, 1, 0.25f}));
    EXPECT_TRUE(view.ratio_line_path()->path.isEmpty());
    view.show_cursor_line(true);
    auto xs = segment_xs(view, view.ratio_line_path()->path);
    ASSERT_EQ(xs.size(), 1u);
    EXPECT_FLOAT_EQ(view.ratio_line_path()->path.elementAt(0).x, view.location_for_x(1.5f));
    view.move_cursor_line(kNaN);
    EXPECT_TRUE(view.ratio_line_path()->path.isEmpty());
}

// The seam through the real document: window set-up lends the arrays and the colours.
TEST(ViewWithDocument, WindowSetUpDrawsTheDocumentsCurve) {
    GraphWidget view;
    view.resize(300, 200);
    {
        Document document;
        NullDocumentView no_fields;
        document.attach_views(view, no_fields);
        document.show_all();
        EXPECT_EQ(view.number_of_points(), document.curve().number_of_points());
        EXPECT_EQ(view.curve_path()->path.elementCount(), document.curve().number_of_points());
        EXPECT_EQ(view.curve_color(), (Rgba{0, 0, 0, 0.666f}));
        EXPECT_EQ(view.background_color(), (Rgba{0, 0.7f, 0, 0.5f}));
        EXPECT_EQ(view.x_min(), document.curve().x_min());
        EXPECT_EQ(view.y_max(), document.curve().y_max());
        const int32_t last = document.curve().number_of_points() - 1;
        const auto end = view.curve_path()->path.elementAt(last);
        EXPECT_FLOAT_EQ(static_cast<float>(end.x),
                        view.location_for_x(document.curve().x_values()[last]));
        EXPECT_FLOAT_EQ(static_cast<float>(end.y),
                        view.location_for_y(document.curve().y_values()[last]));

        document.set_plot_flags(true, true, true);
        EXPECT_EQ(view.dy_curve_path()->path.elementCount(),
                  document.curve().number_of_points() - 1);
        EXPECT_EQ(view.justs_path()->path.elementCount(), 28);
    }
    // The document took its arrays back when it went: a relayout reads nothing freed.
    view.resize(320, 200);
    testing::rendered(view);
    EXPECT_EQ(view.number_of_points(), 201);
}

}  // namespace
}  // namespace kelvara
