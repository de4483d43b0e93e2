// The markers of the curve's minima: a small filled triangle under each minimum, its tip on
// the curve, and a ring around the one selected in the minima table.
#include <QPainter>
#include <cmath>

#include "view/graph_widget.h"
#include "view/view_color.h"

namespace kelvara {
namespace {

constexpr Rgba kMarkerColor{0.0f, 0.45f, 0.2f, 0.85f};
constexpr Rgba kSelectedColor{0.85f, 0.35f, 0.0f, 1.0f};
constexpr float kMarkerHalfWidth = 3.5f;  // view units
constexpr float kMarkerHeight = 7.0f;
constexpr float kRingRadius = 6.0f;
constexpr qreal kRingLineWidth = 1.5;

}  // namespace

void GraphWidget::show_minima(std::vector<MinimumMarker> minima, std::optional<size_t> selected) {
    layers_.minima = std::move(minima);
    layers_.selected_minimum =
        selected && *selected < layers_.minima.size() ? selected : std::nullopt;
    build_minima_markers();
    update();
}

// A marker whose position is not finite (a value outside what a float holds) is left out.
void GraphWidget::build_minima_markers() {
    minima_path_.emplace();
    selected_minimum_path_.emplace();
    selected_minimum_path_->line_width = kRingLineWidth;
    for (size_t i = 0; i < layers_.minima.size(); ++i) {
        const float x = geometry_.x_for_ratio(layers_.minima[i].ratio);
        const float y = geometry_.y_for_value(layers_.minima[i].value);
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        QPainterPath& path = minima_path_->path;
        path.moveTo(x, y);
        path.lineTo(x - kMarkerHalfWidth, y - kMarkerHeight);
        path.lineTo(x + kMarkerHalfWidth, y - kMarkerHeight);
        path.closeSubpath();
        if (layers_.selected_minimum == i)
            selected_minimum_path_->path.addEllipse(QPointF(x, y - kMarkerHeight / 2), kRingRadius,
                                                    kRingRadius);
    }
}

void GraphWidget::paint_minima_markers(QPainter& painter) const {
    if (minima_path_) painter.fillPath(minima_path_->path, to_qcolor(kMarkerColor));
    if (selected_minimum_path_) {
        painter.setPen(QPen(to_qcolor(kSelectedColor), selected_minimum_path_->line_width));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(selected_minimum_path_->path);
    }
}

}  // namespace kelvara
