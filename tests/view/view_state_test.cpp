// The view's state: layout, the coordinate maps, the setters and what each one redraws,
// relayout on resize, and the ranges and counts it refuses to trust.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QVBoxLayout>

#include "view/view_test_support.h"

namespace kelvara {
namespace {

using testing::PaintCountingView;
using testing::settle;

TEST(ViewLayout, A300By200ViewHasItsFrameAndScales) {
    GraphWidget view;
    view.resize(300, 200);
    testing::rendered(view);  // the first repaint lays the view out at its new size
    EXPECT_EQ(view.body_rect(), (FloatRect{0, 0, 300, 200}));
    EXPECT_EQ(view.graph_frame(), (FloatRect{20, 20, 275, 175}));
    EXPECT_FLOAT_EQ(view.x_scale(), 275.0f);
    EXPECT_FLOAT_EQ(view.y_scale(), 43.75f);
    EXPECT_FLOAT_EQ(view.dy_scale(), 43.75f);
    // The frame's corners are the ends of the ranges.
    EXPECT_FLOAT_EQ(view.location_for_x(1.0f), 20.0f);
    EXPECT_FLOAT_EQ(view.location_for_x(2.0f), 295.0f);
    EXPECT_FLOAT_EQ(view.location_for_y(4.0f), 195.0f);
    EXPECT_FLOAT_EQ(view.location_for_dy(0.0f), 20.0f);
}

TEST(ViewLayout, ANewViewStartsWithItsDefaults) {
    GraphWidget view;
    EXPECT_EQ(view.background_color(), (Rgba{0, 0, 0, 0.6666f}));
    EXPECT_EQ(view.text_color(), (Rgba{0, 0, 0, 1}));
    EXPECT_FALSE(view.curve_color() || view.dy_curve_color() || view.line_color() ||
                 view.just_color());
    EXPECT_FALSE(view.curve_path() || view.dy_curve_path() || view.justs_path() ||
                 view.ratio_line_path());
    EXPECT_FALSE(view.axes_image().isNull());
    EXPECT_FALSE(view.shows_just_ratios() || view.shows_cursor_line() || view.shows_slope());
    EXPECT_EQ(view.number_of_points(), 0);
    EXPECT_EQ(view.readout_text(), "(0.000, 0.000)");
}

TEST(ViewMaps, EachInverseUndoesItsMap) {
    GraphWidget view;
    view.resize(300, 200);
    testing::rendered(view);
    view.set_x_range(0.5, 3.25);
    view.set_y_range(-1.0, 7.0);
    view.set_slope_range(-40.0, 25.0);
    for (const float v : {-2.0f, 0.5f, 1.2345f, 3.25f, 9.0f}) {
        EXPECT_NEAR(view.x_for_location(view.location_for_x(v)), v, 1e-5f) << v;
        EXPECT_NEAR(view.y_for_location(view.location_for_y(v)), v, 1e-5f) << v;
        EXPECT_NEAR(view.dy_for_location(view.location_for_dy(v * 10)), v * 10, 1e-4f) << v;
    }
}

TEST(ViewMaps, AReversedRangeMirrorsTheAxis) {
    GraphWidget view;
    view.resize(300, 200);
    testing::rendered(view);
    view.set_y_range(4.0, 0.0);
    EXPECT_FLOAT_EQ(view.y_scale(), -43.75f);
    EXPECT_FLOAT_EQ(view.location_for_y(4.0f), 20.0f);
    EXPECT_FLOAT_EQ(view.location_for_y(0.0f), 195.0f);
}

// An empty or non-finite range has no scale: it is ignored and nothing is redrawn.
TEST(ViewMaps, EmptyAndNonFiniteRangesAreIgnored) {
    GraphWidget view;
    view.resize(300, 200);
    testing::rendered(view);
    const qint64 image = view.axes_image().cacheKey();
    view.set_x_range(1.5, 1.5);
    view.set_y_range(0.0, std::numeric_limits<double>::infinity());
    view.set_slope_range(std::nan(""), 1.0);
    view.set_x_range(-3e38, 3e38);  // the span overflows a float
    EXPECT_EQ(view.x_min(), 1.0f);
    EXPECT_EQ(view.x_max(), 2.0f);
    EXPECT_FLOAT_EQ(view.x_scale(), 275.0f);
    EXPECT_FLOAT_EQ(view.y_scale(), 43.75f);
    EXPECT_FLOAT_EQ(view.dy_scale(), 43.75f);
    EXPECT_EQ(view.axes_image().cacheKey(), image);
}

TEST(ViewMaps, APlottingAreaOfNoWidthMapsPressesToTheMinimum) {
    GraphWidget view;
    view.resize(25, 200);
    testing::rendered(view);
    EXPECT_EQ(view.x_scale(), 0.0f);
    EXPECT_EQ(view.x_for_location(123.0f), 1.0f);
}

class ShownView : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(300, 200);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        settle();
        view.paints = 0;
        view.graph_updates = 0;
    }
    // Repaints caused by `change`, and whether it re-rendered the cached image.
    template <typename Change>
    std::pair<int, bool> effect_of(Change change) {
        settle();
        view.paints = 0;
        const qint64 image = view.axes_image().cacheKey();
        change();
        settle();
        return {view.paints, view.axes_image().cacheKey() != image};
    }
    PaintCountingView view;
};

TEST_F(ShownView, RangeAndTextSettersRerenderTheImageAndRepaint) {
    const Rgba red{1, 0, 0, 1};
    for (const auto& [paints, rerendered] : {effect_of([&] { view.set_x_range(1.0, 3.0); }),
                                             effect_of([&] { view.set_y_range(0.0, 3.0); }),
                                             effect_of([&] { view.set_slope_range(-1.0, 1.0); }),
                                             effect_of([&] { view.set_text_color(&red); }),
                                             effect_of([&] { view.set_text_color(nullptr); })}) {
        EXPECT_GE(paints, 1);
        EXPECT_TRUE(rerendered);
    }
    EXPECT_EQ(view.text_color(), red);
    EXPECT_EQ(view.graph_updates, 0);  // the paths wait for redraw
}

TEST_F(ShownView, BackgroundAndFlagSettersRepaintWithoutRerendering) {
    const Rgba green{0, 1, 0, 1};
    for (const auto& [paints, rerendered] :
         {effect_of([&] { view.set_background_color(&green); }),
          effect_of([&] { view.show_just_ratios(true); }),
          effect_of([&] { view.show_cursor_line(true); }),
          effect_of([&] { view.show_slope(true); }),
          effect_of([&] { view.move_cursor_line(1.5f); }), effect_of([&] { view.redraw(0); })}) {
        EXPECT_GE(paints, 1);
        EXPECT_FALSE(rerendered);
    }
}

TEST_F(ShownView, CurveColoursAndArraysWaitForTheNextRepaint) {
    const Rgba black{0, 0, 0, 1};
    const float xs[] = {1.0f, 2.0f};
    const float ys[] = {1.0f, 2.0f};
    for (const auto& [paints, rerendered] :
         {effect_of([&] { view.set_curve_colors(&black, &black); }),
          effect_of([&] { view.set_slope_colors(&black, nullptr); }),
          effect_of([&] { view.lend_arrays(xs, ys); })}) {
        EXPECT_EQ(paints, 0);
        EXPECT_FALSE(rerendered);
    }
    EXPECT_EQ(view.number_of_points(), 0);
    EXPECT_FALSE(view.curve_path());
}

TEST_F(ShownView, AOnePointWiderViewIsLaidOutAgainAndItsPathsRebuilt) {
    const float xs[] = {1.0f, 2.0f};
    const float ys[] = {0.0f, 4.0f};
    view.lend_arrays(xs, ys);
    view.redraw(2);
    view.graph_updates = 0;
    const auto [paints, rerendered] = effect_of([&] { view.resize(301, 200); });
    EXPECT_GE(paints, 1);
    EXPECT_TRUE(rerendered);
    EXPECT_EQ(view.graph_updates, 1);
    EXPECT_EQ(view.graph_frame(), (FloatRect{20, 20, 276, 175}));
    EXPECT_FLOAT_EQ(view.x_scale(), 276.0f);
    EXPECT_FLOAT_EQ(view.curve_path()->path.elementAt(1).x, 296.0f);
    EXPECT_EQ(view.axes_image().width(), 301);
}

TEST_F(ShownView, AMovedViewKeepsItsLayoutImageAndPaths) {
    const auto [paints, rerendered] = effect_of([&] { view.move(40, 30); });
    (void)paints;  // a move may or may not repaint; it must not lay out again
    EXPECT_FALSE(rerendered);
    testing::rendered(view);
    EXPECT_EQ(view.graph_updates, 0);
    EXPECT_EQ(view.graph_frame(), (FloatRect{20, 20, 275, 175}));
}

// As a document window holds it: a child in a layout, laid out at its first real repaint.
TEST(ViewInWindow, AViewInALayoutIsLaidOutAtItsGivenSize) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new GraphWidget;
    layout->addWidget(view);
    window.resize(500, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    settle();
    EXPECT_GT(view->width(), 400);
    EXPECT_EQ(view->body_rect(), (FloatRect{0, 0, static_cast<float>(view->width()),
                                            static_cast<float>(view->height())}));
    EXPECT_FLOAT_EQ(view->x_scale(), view->graph_frame().width);
}

TEST_F(ShownView, APressSetsTheReadoutFromTheLinearMaps) {
    view.move_cursor_line(1.25f);
    // The frame's lower-left corner: view (20, 20) is widget (20, 180).
    const auto [paints, rerendered] =
        effect_of([&] { QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(20, 180)); });
    EXPECT_GE(paints, 1);
    EXPECT_TRUE(rerendered);
    EXPECT_EQ(view.readout_text(), "(1.000, 0.000)");
    EXPECT_EQ(view.cursor_ratio(), 1.25f);
    // In the margin the same maps run outside the ranges.
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(295, 5));
    EXPECT_EQ(view.readout_text(), "(2.000, 4.000)");
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(0, 200));
    EXPECT_EQ(view.readout_text(), "(0.927, -0.457)");
}

}  // namespace
}  // namespace kelvara
