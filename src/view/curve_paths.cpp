// Building the curve and derivative polylines from the borrowed arrays.
#include <cmath>

#include "engine/engine_limits.h"
#include "view/pv_kelvara_view.h"

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
    explicit PolylineBuilder(QPainterPath& path) : _path(path) {}
    void add(float x, float y) {
        if (!std::isfinite(x) || !std::isfinite(y)) {
            _pen_down = false;
            return;
        }
        if (_pen_down)
            _path.lineTo(x, y);
        else
            _path.moveTo(x, y);
        _pen_down = true;
    }

private:
    QPainterPath& _path;
    bool _pen_down = false;
};

void reset(std::optional<StrokedPath>& path, qreal line_width) {
    if (!path) path.emplace();
    path->path.clear();
    path->line_width = line_width;
}

}  // namespace

// Rebuilds the curve and derivative paths at the current ranges and scales. With either
// array missing the paths are left as they are; with fewer than two points both are empty.
void PVKelvaraView::drawGraph() {
    if (_x_values == nullptr || _y_values == nullptr) return;
    reset(_curve_path, kCurveLineWidth);
    if (!_curve_color) _curve_color = kDefaultCurveColor;
    reset(_dy_curve_path, kCurveLineWidth);
    if (!_dy_curve_color) _dy_curve_color = kDefaultDerivativeColor;
    const int32_t count = readable_count(_number_of_points);
    if (count <= 1) return;
    build_curve(_curve_path->path, count);
    if (_should_draw_derivative) build_derivative(_dy_curve_path->path, count);
}

void PVKelvaraView::build_curve(QPainterPath& path, int32_t count) const {
    path.reserve(count);
    PolylineBuilder polyline(path);
    for (int32_t i = 0; i < count; ++i)
        polyline.add(location_for_x(_x_values[i]), location_for_y(_y_values[i]));
}

// One point per interval between samples: the forward difference quotient placed at the
// interval's midpoint, on the derivative's own vertical range.
void PVKelvaraView::build_derivative(QPainterPath& path, int32_t count) const {
    path.reserve(count - 1);
    PolylineBuilder polyline(path);
    for (int32_t i = 0; i + 1 < count; ++i) {
        const float midpoint = (_x_values[i + 1] + _x_values[i]) * 0.5f;
        const float slope = (_y_values[i + 1] - _y_values[i]) / (_x_values[i + 1] - _x_values[i]);
        polyline.add(location_for_x(midpoint), location_for_dy(slope));
    }
}

}  // namespace kelvara
