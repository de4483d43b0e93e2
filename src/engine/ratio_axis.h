#pragma once
// The interval-ratio axis of a graph, linear in the ratio or in cents (logarithmic in the
// ratio, so equal steps of a scale look equal), and the zoom and pan of a range on it. An
// axis value is the ratio itself on a linear axis and 1200·log2(ratio) on a cents axis; zoom
// and pan work on axis values, so a zoom about a point keeps that point still on either.
namespace kelvara {

enum class RatioAxis { Linear, Cents };

// A range of values along one axis.
struct AxisSpan {
    double min = 0.0;
    double max = 0.0;
};

// The axis value of a ratio; a cents axis has no place for a ratio that is not positive
// (the value is then not finite).
double axis_value(RatioAxis axis, double ratio);
// The ratio at an axis value.
double ratio_at(RatioAxis axis, double value);

// The span scaled by `factor` about `at` (below 1 zooms in): `at` keeps its place.
AxisSpan zoom_about(AxisSpan span, double at, double factor);
// The span moved by `delta`.
AxisSpan pan_by(AxisSpan span, double delta);
// A ratio range moved into [lowest, highest] by shifting it whole (a range wider than that
// becomes [lowest, highest]); the zoom and the pan keep the x range within the ratio bounds
// this way instead of being refused at the edge.
AxisSpan keep_within(AxisSpan range, double lowest, double highest);

}  // namespace kelvara
