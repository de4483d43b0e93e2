// The curve's and the slope's paths, from their polylines (curve_polylines.h).
#include "view/curve_polylines.h"
#include "view/graph_widget.h"
#include "view/view_color.h"

namespace kelvara {
namespace {

constexpr Rgba kDefaultCurveColor{0.0f, 0.0f, 0.0f, 0.3f};
constexpr qreal kCurveLineWidth = 2.0;

void reset(std::optional<StrokedPath>& path, qreal line_width) {
    if (!path) path.emplace();
    path->path.clear();
    path->line_width = line_width;
}

void add_polylines(QPainterPath& path, const std::vector<Polyline>& lines) {
    for (const Polyline& line : lines) {
        path.moveTo(line.front().x, line.front().y);
        for (size_t i = 1; i < line.size(); ++i) path.lineTo(line[i].x, line[i].y);
    }
}

}  // namespace

// Rebuilds the curve and slope paths at the current geometry. With either array missing
// the paths are left as they are; with fewer than two points both are empty.
void GraphWidget::build_curve_paths() {
    if (x_values_ == nullptr || y_values_ == nullptr) return;
    reset(curve_path_, kCurveLineWidth);
    if (!curve_color_) curve_color_ = kDefaultCurveColor;
    reset(slope_path_, kCurveLineWidth);
    if (!slope_color_) slope_color_ = kDefaultSlopeColor;
    const int32_t count = readable_count(layers_.number_of_points);
    if (count <= 1) return;
    add_polylines(curve_path_->path, curve_polylines(geometry_, x_values_, y_values_, count));
    if (layers_.flags.slope)
        add_polylines(slope_path_->path, slope_polylines(geometry_, x_values_, y_values_, count));
}

}  // namespace kelvara
