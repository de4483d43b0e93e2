// The curve's and the slope's polylines from the borrowed arrays.
#include "view/curve_polylines.h"

#include <cmath>

#include "engine/engine_limits.h"

namespace kelvara {
namespace {

// Appends points, leaving out any that is not a finite position; a new polyline starts at
// the first finite point after a gap.
class PolylineBuilder {
public:
    void add(float x, float y) {
        if (!std::isfinite(x) || !std::isfinite(y)) {
            pen_down_ = false;
            return;
        }
        if (!pen_down_) lines_.emplace_back();
        lines_.back().push_back({x, y});
        pen_down_ = true;
    }
    std::vector<Polyline> lines() && { return std::move(lines_); }

private:
    std::vector<Polyline> lines_;
    bool pen_down_ = false;
};

}  // namespace

int32_t readable_count(int32_t count) {
    return count < 0 ? 0 : (count > kMaxCurvePoints ? kMaxCurvePoints : count);
}

std::vector<Polyline> curve_polylines(const GraphGeometry& g, const float* x_values,
                                      const float* y_values, int32_t count) {
    PolylineBuilder polyline;
    for (int32_t i = 0; i < readable_count(count); ++i)
        polyline.add(g.x_for_ratio(x_values[i]), g.y_for_value(y_values[i]));
    return std::move(polyline).lines();
}

std::vector<Polyline> slope_polylines(const GraphGeometry& g, const float* x_values,
                                      const float* y_values, int32_t count) {
    PolylineBuilder polyline;
    for (int32_t i = 0; i + 1 < readable_count(count); ++i) {
        const float midpoint = (x_values[i + 1] + x_values[i]) * 0.5f;
        const float slope = (y_values[i + 1] - y_values[i]) / (x_values[i + 1] - x_values[i]);
        polyline.add(g.x_for_ratio(midpoint), g.y_for_slope(slope));
    }
    return std::move(polyline).lines();
}

}  // namespace kelvara
