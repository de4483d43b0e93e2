#pragma once
// GraphGeometry: where everything of a graph goes, as a value. Made from the plotted ranges,
// the panel's size, the ratio axis (linear or cents) and the sizes of the graph's texts, it
// answers every question of place: the plotting area, the maps ratio <-> x, dissonance <-> y
// and slope <-> y, the ticks of both axes with their labels' boxes, the titles' and the
// readout's boxes, and where the just-ratio markers and any other vertical line stand. It
// holds no widget and no Qt type: the window's graph, its exports and `kelvara-cli plot` draw
// from it, and a zoomed or a second view makes one of its own.
//
// Units: positions along the axes and the plotting area are unflipped view units (origin at
// the bottom left, y upwards, one unit per logical pixel); the texts' boxes are in the
// widget's y-down units, ready for drawing text.
//
// Limits: a range that has no scale (empty, or with bounds or a span that are not finite
// numbers, or on a cents axis a bound that is not a positive ratio) is not plottable; the
// widget keeps its last plottable one. A panel too small for its margins gets a plotting
// area of no extent: every position then maps to the range's minimum, nothing divides by
// zero.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/just_ratio.h"
#include "engine/ratio_axis.h"

namespace kelvara {

// A rectangle in unflipped view units, 32-bit floats: (x, y) is its bottom-left corner.
struct FloatRect {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    friend bool operator==(const FloatRect&, const FloatRect&) = default;
};

// A text's box in the widget's y-down units: (left, top) is its top-left corner.
struct TextBox {
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
    bool intersects(const TextBox& o) const {
        return left < o.right() && o.left < right() && top < o.bottom() && o.top < bottom();
    }
    friend bool operator==(const TextBox&, const TextBox&) = default;
};

// What the graph plots: interval ratios along x, dissonance and the curve's slope along y
// (the slope on a scale of its own over the same height).
struct GraphRanges {
    AxisSpan x{1.0, 2.0};
    AxisSpan y{0.0, 4.0};
    AxisSpan slope{0.0, 4.0};
};

// The sizes of the graph's texts, measured in the face they are drawn in (graph_axes.h
// measures the window's).
struct GraphTextMetrics {
    float label_height = 0.0f;
    float title_height = 0.0f;
    float readout_height = 0.0f;
    std::function<float(const std::string&)> label_width;
};

// One tick: its value in axis units (a ratio, cents or a dissonance), its place along its
// axis in view units, its label and the label's box.
struct GraphTick {
    double value = 0.0;
    float position = 0.0f;
    std::string text;
    TextBox label_box;
};

// A just ratio marked on the graph, such as 3/2.
using JustMarker = JustFraction;

class GraphGeometry {
public:
    // Everything a geometry is made from.
    struct Setup {
        GraphRanges ranges;
        RatioAxis axis = RatioAxis::Linear;
        float width = 0.0f;  // the panel, in view units
        float height = 0.0f;
        bool readout = true;  // a strip above the plotting area holds the readout
        JustNaming just{};    // the fractions the just markers may stand at (its odd limit)
        // The slope's own scale along the right edge (while the slope shows), in a panel at
        // least 240 units wide.
        bool slope_axis = false;
    };

    // Lays out the panel. Ranges that are not plottable get no ticks and maps that send
    // every position to their minimum; the widget never makes one from such ranges.
    GraphGeometry(const Setup& setup, const GraphTextMetrics& metrics);

    // Whether a ratio range, or a value range, has a scale on this axis.
    static bool plottable(RatioAxis axis, AxisSpan ratios);
    static bool plottable(AxisSpan values);

    const Setup& setup() const { return setup_; }
    const GraphRanges& ranges() const { return setup_.ranges; }
    RatioAxis axis() const { return setup_.axis; }
    // The whole panel and the plotting area inside it.
    FloatRect panel() const { return {0.0f, 0.0f, setup_.width, setup_.height}; }
    const FloatRect& frame() const { return frame_; }
    // The x range in axis units (ratios or cents).
    AxisSpan x_axis_span() const { return x_axis_; }
    // View units per axis unit (x), per dissonance (y), per unit of slope.
    float x_scale() const { return x_scale_; }
    float y_scale() const { return y_scale_; }
    float slope_scale() const { return slope_scale_; }

    // The maps, 32-bit float as the curve's samples. On a cents axis equal cents are equal
    // distances; a linear axis keeps the float arithmetic of the ratios themselves.
    float x_for_ratio(float ratio) const;
    float ratio_for_x(float x) const;
    float x_for_axis_value(double value) const;
    double axis_value_for_x(float x) const;
    float y_for_value(float value) const;
    float value_for_y(float y) const;
    float y_for_slope(float slope) const;
    float slope_for_y(float y) const;
    // A vertical line's place for a ratio (a scale step, the cursor, a marker), or nothing
    // for a ratio that has no place on the axis (not a number; on a cents axis not positive).
    std::optional<float> line_x(float ratio) const;
    // Where the zero of the slope stands, while the slope range holds it inside.
    std::optional<float> zero_slope_y() const;
    // The y in the widget's y-down units of a y in view units, and the inverse.
    float widget_y(float view_y) const { return setup_.height - view_y; }

    const std::vector<GraphTick>& x_ticks() const { return x_ticks_; }
    const std::vector<GraphTick>& y_ticks() const { return y_ticks_; }
    // The slope's ticks along the right edge, labelled outside it; none without slope_axis.
    const std::vector<GraphTick>& slope_ticks() const { return slope_ticks_; }
    const TextBox& x_title_box() const { return x_title_box_; }
    // The y title's box before it is turned upright about its centre.
    const TextBox& y_title_box() const { return y_title_box_; }
    const TextBox& readout_box() const { return readout_box_; }

    // The just ratios marked in the x range, simplest first (simpler_just_fraction, by the
    // naming's odd limit): the simplest fractions of the range, each at least
    // kJustMarkerSpacing from those before it, at most kMaxJustMarkers. A zoom brings the
    // fractions near a ratio into view: 3/2, then 22/15 and 25/17 beside it.
    std::vector<JustMarker> just_markers() const;
    static constexpr float kJustMarkerSpacing = 8.0f;
    static constexpr size_t kMaxJustMarkers = 24;

private:
    void lay_out(const GraphTextMetrics& metrics);

    Setup setup_;
    FloatRect frame_;
    AxisSpan x_axis_;
    float x_min_ = 0.0f, y_min_ = 0.0f, slope_min_ = 0.0f;
    float x_scale_ = 0.0f, y_scale_ = 0.0f, slope_scale_ = 0.0f;
    std::vector<GraphTick> x_ticks_;
    std::vector<GraphTick> y_ticks_;
    std::vector<GraphTick> slope_ticks_;
    TextBox x_title_box_;
    TextBox y_title_box_;
    TextBox readout_box_;
};

}  // namespace kelvara
