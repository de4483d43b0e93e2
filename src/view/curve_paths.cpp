// Building the curve and derivative polylines from the borrowed arrays.
#include <cmath>

#include "engine/engine_limits.h"
#include "view/graph_widget.h"

namespace kelvara {
namespace {

constexpr Rgba kDefaultCurveColor{0.0f, 0.0f, 0.0f, 0.3f};
constexpr Rgba kDefaultDerivativeColor{0.0f, 0.0f, 1.0f, 0.3f};
constexpr qreal kCurveLineWidth = 2.0;

// The count as a bound on reads: the document's own count, but never negative and never
// beyond the largest curve a document can hold.
int32_t readable_count(int32_t count) {
    return count < 0 ? 0 : (count > kMaxCurvePoints ? kMaxCurvePoints : count);
}

// Appends polyline points, leaving out any that is not a finite position; the polyline
// starts afresh (a move-to) at the first finite point after a gap.
class PolylineBuilder {
public:
    explicit PolylineBuilder(QPainterPath& path) : path_(path) {}
    void add(float x, float y) {
        if (!std::isfinite(x) || !std::isfinite(y)) {
            pen_down_ = false;
            return;
        }
        if (pen_down_)
            path_.lineTo(x, y);
        else
            path_.moveTo(x, y);
        pen_down_ = true;
    }

private:
    QPainterPath& path_;
    bool pen_down_ = false;
};

void reset(std::optional<StrokedPath>& path, qreal line_width) {
    if (!path) path.emplace();
    path->path.clear();
    path->line_width = line_width;
}

}  // namespace

// Rebuilds the curve and derivative paths at the current ranges and scales. With either
// array missing the paths are left as they are; with fewer than two points both are empty.
void GraphWidget::build_curve_paths() {
    if (x_values_ == nullptr || y_values_ == nullptr) return;
    reset(curve_path_, kCurveLineWidth);
    if (!curve_color_) curve_color_ = kDefaultCurveColor;
    reset(dy_curve_path_, kCurveLineWidth);
    if (!dy_curve_color_) dy_curve_color_ = kDefaultDerivativeColor;
    const int32_t count = readable_count(number_of_points_);
    if (count <= 1) return;
    build_curve(curve_path_->path, count);
    if (shows_slope_) build_derivative(dy_curve_path_->path, count);
}

void GraphWidget::build_curve(QPainterPath& path, int32_t count) const {
    path.reserve(count);
    PolylineBuilder polyline(path);
    for (int32_t i = 0; i < count; ++i)
        polyline.add(location_for_x(x_values_[i]), location_for_y(y_values_[i]));
}

// One point per interval between samples: the forward difference quotient placed at the
// interval's midpoint, on the derivative's own vertical range.
void GraphWidget::build_derivative(QPainterPath& path, int32_t count) const {
    path.reserve(count - 1);
    PolylineBuilder polyline(path);
    for (int32_t i = 0; i + 1 < count; ++i) {
        const float midpoint = (x_values_[i + 1] + x_values_[i]) * 0.5f;
        const float slope = (y_values_[i + 1] - y_values_[i]) / (x_values_[i + 1] - x_values_[i]);
        polyline.add(location_for_x(midpoint), location_for_dy(slope));
    }
}

}  // namespace kelvara
