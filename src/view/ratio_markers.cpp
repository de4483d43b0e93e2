// The vertical markers over the full height of the graph frame: the just ratios, the scale's
// ratios and the ratio cursor line; the slope's zero line; and the labels of the
// markers, placed where they find room. Where each stands is the geometry's.
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/just_ratio.h"
#include "view/graph_axes.h"
#include "view/graph_widget.h"
#include "view/view_color.h"

namespace kelvara {
namespace {

constexpr Rgba kDefaultJustColor{1.0f, 0.0f, 0.0f, 0.25f};
// The cursor stands out on the green panel: a deep magenta, thick and opaque.
constexpr Rgba kDefaultLineColor{0.78f, 0.0f, 0.42f, 0.95f};
constexpr qreal kCursorLineWidth = 2.5;
constexpr Rgba kJustLabelColor{0.55f, 0.0f, 0.0f, 1.0f};
constexpr Rgba kScaleLabelColor{0.05f, 0.15f, 0.45f, 1.0f};
// Labels stand this far in from the frame's edge and at least this far from each other.
constexpr qreal kLabelInset = 2.0;
constexpr qreal kLabelGap = 3.0;

void reset(std::optional<StrokedPath>& path) {
    if (!path) path.emplace();
    path->path.clear();
}

// A scale ratio's label: the ratio to four places without trailing zeros, or its cents on a
// cents axis.
QString scale_label(float ratio, RatioAxis axis) {
    if (axis == RatioAxis::Cents) return QString::number(std::lround(ratio_to_cents(ratio)));
    return QString::number(static_cast<double>(ratio), 'g', 5);
}

}  // namespace

// Markers outside the x range are built all the same: the clip hides them.
void GraphWidget::build_just_markers() {
    reset(justs_path_);
    if (!just_color_) just_color_ = kDefaultJustColor;
    if (!layers_.flags.just_ratios) return;
    const FloatRect& f = geometry_.frame();
    for (const JustMarker j : geometry_.just_markers()) {
        const float x = geometry_.x_for_ratio(static_cast<float>(j.value()));
        justs_path_->path.moveTo(x, f.y);
        justs_path_->path.lineTo(x, f.y + f.height);
    }
}

void GraphWidget::build_scale_lines() {
    reset(scale_lines_path_);
    reset(selected_scale_line_path_);
    selected_scale_line_path_->line_width = kCursorLineWidth;
    if (!layers_.scale_lines) return;
    const FloatRect& f = geometry_.frame();
    for (size_t i = 0; i < layers_.scale_ratios.size(); ++i) {
        const auto x = geometry_.line_x(layers_.scale_ratios[i]);
        if (!x) continue;
        QPainterPath& path = layers_.selected_scale_ratio == i ? selected_scale_line_path_->path
                                                               : scale_lines_path_->path;
        path.moveTo(*x, f.y);
        path.lineTo(*x, f.y + f.height);
    }
}

void GraphWidget::build_zero_slope_line() {
    reset(zero_slope_path_);
    const auto y = geometry_.zero_slope_y();
    if (!layers_.flags.slope || !y) return;
    const FloatRect& f = geometry_.frame();
    zero_slope_path_->path.moveTo(f.x, *y);
    zero_slope_path_->path.lineTo(f.x + f.width, *y);
}

void GraphWidget::build_cursor_line() {
    reset(ratio_line_path_);
    ratio_line_path_->line_width = kCursorLineWidth;
    if (!line_color_) line_color_ = kDefaultLineColor;
    // A ratio that is not a number has no place on the axis: the line is left out.
    const auto x = geometry_.line_x(layers_.cursor_ratio);
    if (!layers_.flags.selected_ratio || !x) return;
    const FloatRect& f = geometry_.frame();
    ratio_line_path_->path.moveTo(*x, f.y);
    ratio_line_path_->path.lineTo(*x, f.y + f.height);
}

// The labels, most telling first: the selected scale ratio, the just ratios from the
// simplest (1/1, 2/1, 3/2 ..., as the geometry lists them) along the frame's top, the other scale
// ratios along its bottom. A label that would touch one placed before, or stick out of the frame,
// is left out.
void GraphWidget::build_marker_labels() {
    marker_labels_.clear();
    const QFontMetricsF metrics(graph_label_font());
    const FloatRect& f = geometry_.frame();
    const qreal frame_top = geometry_.widget_y(f.y + f.height);
    const qreal frame_bottom = geometry_.widget_y(f.y);
    const auto place = [&](float ratio, const QString& text, qreal top, const Rgba& color) {
        const auto x = geometry_.line_x(ratio);
        if (!x) return;
        const qreal w = metrics.horizontalAdvance(text), h = metrics.height();
        const QRectF box(*x + kLabelInset, top, w, h);
        if (box.left() < f.x || box.right() > f.x + f.width || box.top() < frame_top ||
            box.bottom() > frame_bottom)
            return;
        const QRectF spaced = box.adjusted(-kLabelGap, 0, kLabelGap, 0);
        for (const MarkerLabel& placed : marker_labels_)
            if (placed.box.intersects(spaced)) return;
        marker_labels_.push_back({box, text, color});
    };
    const qreal top_row = frame_top + kLabelInset;
    const qreal bottom_row = frame_bottom - kLabelInset - metrics.height();
    const std::vector<float>& scale = layers_.scale_ratios;
    const std::optional<size_t> selected = layers_.selected_scale_ratio;
    const RatioAxis axis = geometry_.axis();
    const bool scale_shown = layers_.scale_lines && !scale.empty();
    if (scale_shown && selected) {
        const float r = scale[*selected];
        place(r, scale_label(r, axis), bottom_row, line_color_.value_or(kDefaultLineColor));
    }
    if (layers_.flags.just_ratios) {
        for (const JustMarker j : geometry_.just_markers())
            place(static_cast<float>(j.value()),
                  QStringLiteral("%1/%2").arg(j.numerator).arg(j.denominator), top_row,
                  kJustLabelColor);
    }
    if (scale_shown)
        for (size_t i = 0; i < scale.size(); ++i)
            if (selected != i)
                place(scale[i], scale_label(scale[i], axis), bottom_row, kScaleLabelColor);
}

void GraphWidget::paint_marker_labels(QPainter& painter) const {
    painter.setFont(graph_label_font());
    for (const MarkerLabel& label : marker_labels_) {
        painter.setPen(to_qcolor(label.color));
        painter.drawText(label.box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                         label.text);
    }
}

}  // namespace kelvara
