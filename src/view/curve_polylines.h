#pragma once
// The curve and its slope as polylines in a graph's view units, from the lent sample
// arrays: what the graph strokes, computed without a widget.
//
// A point whose position is not a finite number (a NaN or infinite sample, or an infinite
// slope between two equal x values) is left out and the next finite point starts a new
// polyline. The count is trusted as the number of valid entries lent; a negative one counts
// as 0 and one above kMaxCurvePoints as kMaxCurvePoints.
#include <cstdint>
#include <vector>

#include "view/graph_geometry.h"

namespace kelvara {

struct ViewPoint {
    float x = 0.0f;
    float y = 0.0f;
    friend bool operator==(const ViewPoint&, const ViewPoint&) = default;
};

using Polyline = std::vector<ViewPoint>;

// The count of samples that may be read.
int32_t readable_count(int32_t count);

// The samples joined in order.
std::vector<Polyline> curve_polylines(const GraphGeometry& geometry, const float* x_values,
                                      const float* y_values, int32_t count);

// One point per interval between samples: the forward difference quotient at the interval's
// midpoint, on the slope's own range.
std::vector<Polyline> slope_polylines(const GraphGeometry& geometry, const float* x_values,
                                      const float* y_values, int32_t count);

}  // namespace kelvara
