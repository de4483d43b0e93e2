// The graph's geometry as a value: its maps and their inverses on both axes, the ranges it
// cannot plot, the ticks laid out inside the panel, the markers' places, and the curve's and
// the slope's polylines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/curve_definition.h"
#include "engine/engine_limits.h"
#include "view/curve_polylines.h"
#include "view/graph_geometry.h"
#include "view/surface_geometry.h"

namespace kelvara {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Texts as a fixed-pitch face sets them: 6 units a character.
GraphTextMetrics fixed_metrics() {
    return {13.0f, 14.0f, 16.0f,
            [](const std::string& text) { return 6.0f * static_cast<float>(text.size()); }};
}

GraphGeometry geometry(GraphRanges ranges, RatioAxis axis = RatioAxis::Linear, float width = 300,
                       float height = 200) {
    return GraphGeometry({ranges, axis, width, height, true}, fixed_metrics());
}

TEST(GraphGeometry, EachInverseUndoesItsMapAndTheRangesFillTheFrame) {
    const GraphRanges ranges{{0.5, 3.25}, {-1.0, 7.0}, {-40.0, 25.0}};
    for (const RatioAxis axis : {RatioAxis::Linear, RatioAxis::Cents}) {
        const GraphGeometry g = geometry(ranges, axis);
        const FloatRect& f = g.frame();
        EXPECT_NEAR(g.x_for_ratio(0.5f), f.x, 1e-3f);
        EXPECT_NEAR(g.x_for_ratio(3.25f), f.x + f.width, 1e-3f);
        EXPECT_FLOAT_EQ(g.y_for_value(-1.0f), f.y);
        EXPECT_FLOAT_EQ(g.y_for_value(7.0f), f.y + f.height);
        EXPECT_FLOAT_EQ(g.y_for_slope(25.0f), f.y + f.height);
        for (const float v : {0.2f, 0.5f, 1.2345f, 3.25f, 9.0f}) {
            EXPECT_NEAR(g.ratio_for_x(g.x_for_ratio(v)), v, 1e-5f) << v;
            EXPECT_NEAR(g.value_for_y(g.y_for_value(v)), v, 1e-5f) << v;
        }
    }
}

// On a cents axis a ratio's place is its cents' place: the octave 1 to 2 takes half of a
// 1 to 4 axis; its ticks are whole cents at their places.
TEST(GraphGeometry, ACentsAxisPlacesRatiosByTheirCents) {
    const GraphGeometry g = geometry({{1.0, 4.0}}, RatioAxis::Cents, 600, 300);
    const FloatRect& f = g.frame();
    EXPECT_NEAR(g.x_for_ratio(2.0f), f.x + f.width / 2.0f, 1e-3f);
    EXPECT_NEAR(g.x_for_ratio(1.5f), f.x + f.width * 701.955f / 2400.0f, 1e-2f);
    ASSERT_GE(g.x_ticks().size(), 3u);
    for (const GraphTick& tick : g.x_ticks()) {
        EXPECT_EQ(tick.text.find('.'), std::string::npos) << tick.text;
        EXPECT_NEAR(g.x_for_ratio(static_cast<float>(std::exp2(tick.value / 1200.0))),
                    tick.position, 1e-2f);
    }
    const GraphGeometry linear = geometry({{1.0, 4.0}}, RatioAxis::Linear, 600, 300);
    for (const GraphTick& t : linear.x_ticks())
        EXPECT_NEAR(linear.x_for_ratio(static_cast<float>(t.value)), t.position, 1e-3f);
}

// (An empty, an infinite and a NaN range, and -1 on a cents axis, as the widget keeps its last
// ranges instead: view_widget_test.cpp.)
TEST(GraphGeometry, RangesWithoutAScaleAreNotPlottable) {
    EXPECT_TRUE(GraphGeometry::plottable({4.0, 0.0})) << "a reversed range mirrors";
    EXPECT_FALSE(GraphGeometry::plottable({-3e38, 3e38})) << "its span overflows a float";

    const GraphGeometry mirrored = geometry({{1.0, 2.0}, {4.0, 0.0}});
    EXPECT_FLOAT_EQ(mirrored.y_for_value(4.0f), mirrored.frame().y);
    // A panel too small for its margins: a plotting area of no width maps all to the minimum.
    const GraphGeometry narrow = geometry({}, RatioAxis::Linear, 25, 200);
    EXPECT_EQ(narrow.frame().width, 0.0f);
    EXPECT_EQ(narrow.ratio_for_x(123.0f), 1.0f);
}

struct LayoutCase {
    float width, height;
    RatioAxis axis;
    GraphRanges ranges;
};

// Small and large panels, narrow and wide ranges, small and huge dissonances, both axes.
const LayoutCase kLayouts[] = {
    {300, 200, RatioAxis::Linear, {{1.0, 2.0}, {0.0, 4.0}}},
    {160, 120, RatioAxis::Linear, {{1.0, 3.9975}, {0.0, 0.36}}},
    {640, 300, RatioAxis::Cents, {{1.4983, 1.4984}, {-12345.0, 98765.0}, {-1e5, 2.5e5}}},
};

TEST(GraphGeometry, TickLabelsStayInsideThePanelApartAndReadTheirTicks) {
    for (const LayoutCase& c : kLayouts) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " x " << c.ranges.x.min
                                          << ".." << c.ranges.x.max);
        // With the slope's scale on the right.
        const GraphGeometry g({c.ranges, c.axis, c.width, c.height, true, {}, true},
                              fixed_metrics());
        const TextBox panel{0, 0, c.width, c.height};
        const auto inside = [&](const TextBox& b) {
            return b.left >= panel.left && b.top >= panel.top && b.right() <= panel.right() &&
                   b.bottom() <= panel.bottom();
        };
        const FloatRect& f = g.frame();
        for (const std::vector<GraphTick>* axis_ticks :
             {&g.x_ticks(), &g.y_ticks(), &g.slope_ticks()}) {
            const bool along_x = axis_ticks == &g.x_ticks();
            const std::vector<GraphTick>& ticks = *axis_ticks;
            EXPECT_TRUE(ticks.size() >= 2u || (axis_ticks == &g.slope_ticks() && c.width < 240));
            for (size_t i = 0; i < ticks.size(); ++i) {
                const GraphTick& t = ticks[i];
                EXPECT_TRUE(inside(t.label_box)) << t.text;
                EXPECT_NEAR(std::stod(t.text), t.value, std::fabs(t.value) * 1e-9 + 1e-12);
                if (i > 0) {
                    EXPECT_FALSE(ticks[i - 1].label_box.intersects(t.label_box));
                }
                const float lo = along_x ? f.x : f.y, extent = along_x ? f.width : f.height;
                EXPECT_TRUE(t.position >= lo - 0.01f && t.position <= lo + extent + 0.01f);
            }
        }
        EXPECT_TRUE(inside(g.x_title_box()));
        // The upright y title's box, turned about its centre, clear of the y labels.
        const TextBox& y = g.y_title_box();
        const double upright_left = y.left + y.width / 2 - y.height / 2;
        EXPECT_GE(upright_left, 0.0);
        EXPECT_LE(upright_left + y.height, g.y_ticks().front().label_box.left);
        EXPECT_EQ(g.slope_ticks().empty(), c.width < 240) << "no room for the slope's scale";
        for (const GraphTick& t : g.slope_ticks()) EXPECT_GE(t.label_box.left, f.x + f.width);
    }
}

// The simplest fractions in view, simplest first: a zoom brings the fractions beside 3/2 in
// (their labels kept apart: view_widget_test.cpp); the zero of the slope only while its
// range holds it.
TEST(GraphGeometry, MarkersStandAtTheirRatios) {
    const auto names = [](const GraphGeometry& g) {
        std::vector<std::string> texts;
        for (const JustMarker j : g.just_markers())
            texts.push_back(std::to_string(j.numerator) + "/" + std::to_string(j.denominator));
        return texts;
    };
    const GraphGeometry octave = geometry({{1.0, 2.0}}, RatioAxis::Linear, 600);
    EXPECT_THAT(names(octave), ::testing::IsSupersetOf({"1/1", "2/1", "3/2", "5/4", "9/8"}));
    EXPECT_EQ(names(octave).front(), "1/1");
    const GraphGeometry zoomed = geometry({{1.45, 1.55}}, RatioAxis::Linear, 600);
    EXPECT_THAT(names(zoomed), ::testing::IsSupersetOf({"3/2", "16/11", "20/13", "17/11"}));
    EXPECT_EQ(names(zoomed).front(), "3/2");
    // An odd limit of 5 keeps 7/4 and 9/8 out.
    GraphGeometry::Setup limited = octave.setup();
    limited.just.odd_limit = 5;
    EXPECT_THAT(names(GraphGeometry(limited, fixed_metrics())),
                ::testing::Not(::testing::Contains(::testing::AnyOf("7/4", "9/8"))));

    const GraphGeometry g = geometry({{1.0, 2.0}, {0.0, 4.0}, {-1.0, 3.0}}, RatioAxis::Cents);
    EXPECT_FLOAT_EQ(*g.zero_slope_y(), g.frame().y + g.frame().height / 4.0f);
    EXPECT_FALSE(geometry({{1.0, 2.0}, {0.0, 4.0}, {0.0, 3.0}}).zero_slope_y());
    EXPECT_FALSE(g.line_x(kNaN)) << "no cursor line without a selected ratio";
}

std::vector<float> ratios_of(const GraphGeometry& g, const Polyline& line) {
    std::vector<float> ratios;
    for (const ViewPoint& p : line) ratios.push_back(g.ratio_for_x(p.x));
    return ratios;
}

// (Each sample through the geometry's maps: the exact minimum's point in view_widget_test.cpp.)
TEST(CurvePolylines, TheCurveJoinsTheMappedSamplesAndResumesAfterAGap) {
    const GraphGeometry g = geometry({{1.0, 2.0}, {0.0, 4.0}});
    const float gx[] = {1.0f, 1.1f, 1.2f, 1.3f, 1.4f, 1.5f, 1.6f, 1.7f};
    const float gy[] = {1.0f, 1.0f, kNaN, 2.0f, 3.0f, kInf, 1.0f, 2.0f};
    const auto gapped = curve_polylines(g, gx, gy, 8);
    ASSERT_EQ(gapped.size(), 3u);
    EXPECT_NEAR(ratios_of(g, gapped[1])[0], 1.3f, 1e-6f) << "resumes after the NaN";
    EXPECT_NEAR(ratios_of(g, gapped[2])[0], 1.6f, 1e-6f) << "and after the infinity";
    // Slopes 0, NaN, NaN, 10, inf, -inf, 10: only finite ones are placed.
    for (const Polyline& line : slope_polylines(g, gx, gy, 8))
        for (const ViewPoint& p : line) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    EXPECT_TRUE(slope_polylines(g, gx, gy, 1).empty()) << "one sample has no slope";
}

TEST(CurvePolylines, TheSlopeIsTheDifferenceQuotientAtEachIntervalsMidpoint) {
    // A y range unlike the slope range, to tell them apart.
    const GraphGeometry g = geometry({{1.0, 3.0}, {-2.0, 6.0}, {-1.0, 5.0}});
    const float xs[] = {1.0f, 1.5f, 2.0f, 2.5f};
    const float ys[] = {0.0f, 1.0f, 1.0f, 3.0f};
    const auto lines = slope_polylines(g, xs, ys, 4);
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 3u);
    const float expected_x[] = {1.25f, 1.75f, 2.25f};
    const float expected_slope[] = {2.0f, 0.0f, 4.0f};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(g.ratio_for_x(lines[0][i].x), expected_x[i], 1e-6f);
        EXPECT_FLOAT_EQ(lines[0][i].y, g.y_for_slope(expected_slope[i]));
    }
}

// The triad surface's view: the point under the pointer stays put through a zoom, a pan
// moves what was under the pointer by the pixels dragged, and bounded() keeps the square
// among the ratios the curve is taken at, no narrower than its narrowest span.
TEST(SurfaceGeometry, ZoomKeepsThePointedPointPanFollowsThePointerAndBoundsHold) {
    const SurfaceGeometry g{1.0, 2.0, 1.0, 2.0, 400.0, 300.0};
    struct Zoom {
        double factor, x, y;
    };
    for (const Zoom z : {Zoom{2.0, 100.0, 50.0}, Zoom{0.5, 399.0, 0.0}, Zoom{1.25, 0.0, 300.0}}) {
        const SurfaceGeometry zoomed = g.zoomed(z.factor, z.x, z.y);
        EXPECT_NEAR(zoomed.r_of_x(z.x), g.r_of_x(z.x), 1e-12) << z.factor;
        EXPECT_NEAR(zoomed.s_of_y(z.y), g.s_of_y(z.y), 1e-12) << z.factor;
        EXPECT_NEAR((zoomed.s_max - zoomed.s_min) * z.factor, 1.0, 1e-12) << z.factor;
    }
    const SurfaceGeometry panned = g.panned(40.0, -30.0);
    EXPECT_NEAR(panned.x_of_r(g.r_of_x(100.0)), 140.0, 1e-9);
    EXPECT_NEAR(panned.y_of_s(g.s_of_y(100.0)), 70.0, 1e-9);

    const SurfaceGeometry b = SurfaceGeometry{-5.0, 2.0, 1.0, 1.0000001, 400.0, 300.0}.bounded(
        kMinCurveX, kMaxCurveX, 1e-3);
    EXPECT_NEAR(b.r_min, kMinCurveX, 1e-12);
    EXPECT_NEAR(b.r_max - b.r_min, 7.0, 1e-12);
    EXPECT_NEAR(b.s_max - b.s_min, 1e-3, 1e-12);
    EXPECT_NEAR(0.5 * (b.s_min + b.s_max), 1.00000005, 1e-12);
}

}  // namespace
}  // namespace kelvara
