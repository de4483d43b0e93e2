// The graph's layout: margins from the label sizes, 1-2-5 ticks from the engine, the maps.
#include "view/graph_geometry.h"

#include <algorithm>
#include <cmath>

#include "engine/axis_ticks.h"

namespace kelvara {
namespace {

// Distances in view units.
constexpr float kTickLength = 4.0f;
constexpr float kGap = 3.0f;
constexpr float kEdgePadding = 4.0f;
// Labels along the x axis keep at least this much space between them.
constexpr float kLabelSpacing = 14.0f;
// Tick labels on the y axis stand at least this many line heights apart.
constexpr float kYLabelPitch = 2.5f;

// The most complex fraction a marker stands at: beyond it a zoom shows no more markers.
constexpr int64_t kMaxJustMarkerHeight = 4096;

// View units per unit of a range over `extent`, or nothing when the range has no scale.
std::optional<float> scale_for(float extent, double min, double max) {
    const double span = max - min;
    if (!std::isfinite(min) || !std::isfinite(max) || !std::isfinite(span) ||
        !std::isfinite(static_cast<float>(span)) || static_cast<float>(span) == 0.0f)
        return std::nullopt;
    return static_cast<float>(extent / span);
}

// The inverse of a scale; a plotting area of no extent maps every position to the range's
// minimum instead of dividing by zero.
float inverse_of(float scale) {
    return scale == 0.0f ? 0.0f : 1.0f / scale;
}

// A range as the maps keep it: in floats, as the curve's samples are.
AxisSpan in_floats(AxisSpan span) {
    return {static_cast<float>(span.min), static_cast<float>(span.max)};
}

// One axis's ticks with their texts, in axis units.
struct Labels {
    AxisTicks ticks;
    std::vector<std::string> texts;
    float widest = 0.0f;
};

Labels labels_for(double min, double max, int max_count, const GraphTextMetrics& metrics) {
    Labels labels;
    labels.ticks = nice_ticks(min, max, max_count);
    for (const double v : labels.ticks.values) {
        labels.texts.push_back(tick_label(v, labels.ticks.decimals));
        labels.widest = std::max(labels.widest, metrics.label_width(labels.texts.back()));
    }
    return labels;
}

// The most ticks of labels `widest` across that fit `extent` side by side.
int fitting_count(float extent, float widest) {
    return std::max(1, static_cast<int>(extent / (widest + kLabelSpacing)));
}

// The x labels for a plotting area `width` across: as many as fit without touching.
Labels x_labels(double min, double max, float width, const GraphTextMetrics& metrics) {
    // From as many as the narrowest labels would allow down to as many as these fit.
    int count = fitting_count(width, metrics.label_width("0"));
    Labels labels = labels_for(min, max, count, metrics);
    // Fewer ticks make wider steps and never wider labels: this ends within a few rounds.
    for (int round = 0; round < 8 && !labels.texts.empty(); ++round) {
        const int fitting = fitting_count(width, labels.widest);
        if (static_cast<int>(labels.texts.size()) <= fitting) break;
        count = std::min(count - 1, fitting);
        if (count < 1) break;
        labels = labels_for(min, max, count, metrics);
    }
    return labels;
}

float position_on(double value, AxisSpan span, float start, float extent) {
    return start + static_cast<float>((value - span.min) / (span.max - span.min) * extent);
}

}  // namespace

bool GraphGeometry::plottable(RatioAxis axis, AxisSpan ratios) {
    const AxisSpan r = in_floats(ratios);
    return scale_for(1.0f, r.min, r.max) &&
           scale_for(1.0f, axis_value(axis, r.min), axis_value(axis, r.max));
}

bool GraphGeometry::plottable(AxisSpan values) {
    const AxisSpan v = in_floats(values);
    return scale_for(1.0f, v.min, v.max).has_value();
}

GraphGeometry::GraphGeometry(const Setup& setup, const GraphTextMetrics& metrics) : setup_(setup) {
    const GraphRanges& r = setup_.ranges;
    const AxisSpan x = in_floats(r.x);
    x_axis_ = {axis_value(setup_.axis, x.min), axis_value(setup_.axis, x.max)};
    x_min_ = static_cast<float>(x.min);
    y_min_ = static_cast<float>(r.y.min);
    slope_min_ = static_cast<float>(r.slope.min);
    lay_out(metrics);
    const AxisSpan y = in_floats(r.y), slope = in_floats(r.slope);
    x_scale_ = scale_for(frame_.width, x_axis_.min, x_axis_.max).value_or(0.0f);
    y_scale_ = scale_for(frame_.height, y.min, y.max).value_or(0.0f);
    slope_scale_ = scale_for(frame_.height, slope.min, slope.max).value_or(0.0f);
}

void GraphGeometry::lay_out(const GraphTextMetrics& m) {
    const float width = setup_.width, height = setup_.height;
    const AxisSpan y_range = in_floats(setup_.ranges.y);
    // Bottom: tick, label, title. Top: the readout strip, or room for the upper half of the
    // highest y label.
    const float bottom =
        std::ceil(kTickLength + kGap + m.label_height + kGap + m.title_height + kEdgePadding);
    const float top = std::ceil(setup_.readout ? m.readout_height + 2.0f * kGap
                                               : m.label_height / 2.0f + kEdgePadding);
    const float frame_height = std::max(0.0f, height - bottom - top);

    const int y_count =
        std::max(2, static_cast<int>(frame_height / (kYLabelPitch * m.label_height)));
    const Labels y = labels_for(y_range.min, y_range.max, y_count, m);
    const float left_for_y = kEdgePadding + m.title_height + kGap + y.widest + kGap + kTickLength;
    const AxisSpan slope_range = in_floats(setup_.ranges.slope);
    // A panel too narrow for two scales keeps its room for the ratios.
    constexpr float kNarrowestWithSlopeAxis = 240.0f;
    const bool slope_axis =
        setup_.slope_axis && slope_range.max > slope_range.min && width >= kNarrowestWithSlopeAxis;
    const Labels slope =
        slope_axis ? labels_for(slope_range.min, slope_range.max, y_count, m) : Labels{};
    const float right_for_slope =
        slope_axis ? kTickLength + kGap + slope.widest + kEdgePadding : kEdgePadding + 8.0f;

    // Left and right: the x labels at the ends reach half their width past the frame. Two
    // rounds settle the margins on the labels actually drawn.
    float left = left_for_y, right = right_for_slope;
    Labels x;
    for (int round = 0; round < 2; ++round) {
        x = x_labels(x_axis_.min, x_axis_.max, std::max(0.0f, width - left - right), m);
        left = std::max(left_for_y, x.widest / 2.0f + kEdgePadding);
        right = std::max(right, x.widest / 2.0f + kEdgePadding);
    }
    // Whole units, so the axes fall on the same pixels wherever the labels put them.
    left = std::ceil(left), right = std::ceil(right);
    frame_ = {left, bottom, std::max(0.0f, width - left - right), frame_height};
    const FloatRect& f = frame_;

    if (x_axis_.max > x_axis_.min)
        for (size_t i = 0; i < x.texts.size(); ++i) {
            const double value = x.ticks.values[i];
            const float position = position_on(value, x_axis_, f.x, f.width);
            const double w = m.label_width(x.texts[i]);
            x_ticks_.push_back(
                {value,
                 position,
                 x.texts[i],
                 {position - w / 2.0, widget_y(f.y - kTickLength - kGap), w, m.label_height}});
        }
    // The dissonance's ticks labelled left of the frame, the slope's right of it.
    const auto vertical_ticks = [&](const Labels& labels, AxisSpan range, bool right) {
        std::vector<GraphTick> ticks;
        for (size_t i = 0; i < labels.texts.size(); ++i) {
            const double value = labels.ticks.values[i];
            const float position = position_on(value, range, f.y, f.height);
            const double w = m.label_width(labels.texts[i]);
            const double left =
                right ? f.x + f.width + kTickLength + kGap : f.x - kTickLength - kGap - w;
            ticks.push_back({value,
                             position,
                             labels.texts[i],
                             {left, widget_y(position) - m.label_height / 2.0, w, m.label_height}});
        }
        return ticks;
    };
    if (y_range.max > y_range.min) y_ticks_ = vertical_ticks(y, y_range, false);
    if (slope_axis) slope_ticks_ = vertical_ticks(slope, slope_range, true);

    x_title_box_ = {f.x, widget_y(kEdgePadding + m.title_height), f.width, m.title_height};
    // Upright along the left edge, centred on the plotting area's height.
    const float centre_y = widget_y(f.y + f.height / 2.0f);
    y_title_box_ = {kEdgePadding + m.title_height / 2.0f - f.height / 2.0f,
                    centre_y - m.title_height / 2.0f, f.height, m.title_height};
    readout_box_ = {f.x, widget_y(height) + kGap / 2.0f, std::max(0.0f, width - f.x - kEdgePadding),
                    m.readout_height + kGap};
}

// --- maps ---------------------------------------------------------------------------------

float GraphGeometry::x_for_axis_value(double value) const {
    return static_cast<float>((value - x_axis_.min) * x_scale_) + frame_.x;
}
double GraphGeometry::axis_value_for_x(float x) const {
    return static_cast<double>(inverse_of(x_scale_)) * (x - frame_.x) + x_axis_.min;
}
float GraphGeometry::x_for_ratio(float ratio) const {
    if (setup_.axis == RatioAxis::Linear) return (ratio - x_min_) * x_scale_ + frame_.x;
    return x_for_axis_value(axis_value(setup_.axis, ratio));
}
float GraphGeometry::ratio_for_x(float x) const {
    if (setup_.axis == RatioAxis::Linear) return inverse_of(x_scale_) * (x - frame_.x) + x_min_;
    return static_cast<float>(ratio_at(setup_.axis, axis_value_for_x(x)));
}
float GraphGeometry::y_for_value(float value) const {
    return (value - y_min_) * y_scale_ + frame_.y;
}
float GraphGeometry::value_for_y(float y) const {
    return inverse_of(y_scale_) * (y - frame_.y) + y_min_;
}
float GraphGeometry::y_for_slope(float slope) const {
    return (slope - slope_min_) * slope_scale_ + frame_.y;
}
float GraphGeometry::slope_for_y(float y) const {
    return inverse_of(slope_scale_) * (y - frame_.y) + slope_min_;
}

std::optional<float> GraphGeometry::line_x(float ratio) const {
    if (!std::isfinite(ratio)) return std::nullopt;
    const float x = x_for_ratio(ratio);
    return std::isfinite(x) ? std::optional<float>(x) : std::nullopt;
}

std::optional<float> GraphGeometry::zero_slope_y() const {
    const AxisSpan slope = in_floats(setup_.ranges.slope);
    if (!(slope.min < 0.0 && slope.max > 0.0)) return std::nullopt;
    return y_for_slope(0.0f);
}

std::vector<JustMarker> GraphGeometry::just_markers() const {
    const AxisSpan x = in_floats(setup_.ranges.x);
    std::vector<JustMarker> candidates =
        just_fractions_between(x.min, x.max, kMaxJustMarkerHeight, setup_.just);
    const int32_t odd_limit = setup_.just.odd_limit;
    std::stable_sort(candidates.begin(), candidates.end(), [&](JustMarker a, JustMarker b) {
        return simpler_just_fraction(a, b, odd_limit);
    });
    std::vector<JustMarker> marked;
    std::vector<float> places;
    for (const JustMarker j : candidates) {
        if (marked.size() == kMaxJustMarkers) break;
        const auto x_place = line_x(static_cast<float>(j.value()));
        if (!x_place) continue;
        const bool crowded = std::any_of(places.begin(), places.end(), [&](float placed) {
            return std::fabs(placed - *x_place) < kJustMarkerSpacing;
        });
        if (crowded) continue;
        marked.push_back(j);
        places.push_back(*x_place);
    }
    return marked;
}

}  // namespace kelvara
