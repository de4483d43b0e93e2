// GraphWidget: initial state, the range, axis, flag and colour setters, the coordinate maps,
// relayout and the order of the layers in a repaint.
#include "view/graph_widget.h"

#include <QPaintEngine>
#include <QPainter>
#include <QTimer>
#include <cmath>

#include "engine/just_ratio.h"
#include "view/panel_shading.h"
#include "view/view_color.h"

namespace kelvara {
namespace {

constexpr Rgba kInitialBackground{0.0f, 0.0f, 0.0f, 0.6666f};
constexpr Rgba kInitialText{0.0f, 0.0f, 0.0f, 1.0f};
// Stroked when a curve colour lacks its fill companion.
constexpr Rgba kFallbackStroke{0.0f, 0.0f, 1.0f, 0.4f};

// The scale for an extent over a range, or nothing when the range is empty or not finite:
// such a range is ignored and the previous one stays.
std::optional<float> scale_for(float extent, double min, double max) {
    const double span = max - min;
    if (!std::isfinite(min) || !std::isfinite(max) || !std::isfinite(span) ||
        !std::isfinite(static_cast<float>(span)) || static_cast<float>(span) == 0.0f)
        return std::nullopt;
    return static_cast<float>(extent / span);
}

// The inverse of a scale; a plotting area of no extent (a panel too small for its margins)
// maps every position to the range's minimum instead of dividing by zero.
float inverse_of(float scale) {
    return scale == 0.0f ? 0.0f : 1.0f / scale;
}

void stroke(QPainter& painter, const std::optional<StrokedPath>& path, const Rgba& color,
            Qt::PenStyle style = Qt::SolidLine) {
    if (!path) return;
    painter.setPen(QPen(to_qcolor(color), path->line_width, style, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPath(path->path);
}

// A curve's polyline at its width, as one-unit strokes side by side. Qt's raster engine
// strokes a pen wider than one pixel through its general stroker and fills the outline in
// batches of spans it hands to its thread pool: 10 ms for the worst case's curve at
// 1200×800, against 0.1 ms for a one-pixel line (kelvara-cli bench, row pipeline). A zoom
// redraws the curve at every step, so it is drawn the fast way.
void stroke_curve(QPainter& painter, const std::optional<StrokedPath>& path, const Rgba& color) {
    if (!path) return;
    painter.save();
    painter.setPen(QPen(to_qcolor(color), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    for (qreal offset = 0.0; offset < path->line_width; offset += 1.0) {
        painter.drawPath(path->path);
        painter.translate(0.0, 1.0);
    }
    painter.restore();
}

}  // namespace

GraphWidget::GraphWidget(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(true);
    wheel_rest_ = new QTimer(this);
    wheel_rest_->setSingleShot(true);
    wheel_rest_->setInterval(kWheelGestureMs);
    connect(wheel_rest_, &QTimer::timeout, this, [this] { finish_wheel_gesture(); });
    image_pixel_ratio_ = devicePixelRatioF();
    background_color_ = kInitialBackground;
    x_min_ = 1.0f, x_max_ = 2.0f, x_axis_min_ = 1.0, x_axis_max_ = 2.0;
    y_min_ = 0.0f, y_max_ = 4.0f;
    dy_min_ = 0.0f, dy_max_ = 4.0f;
    lay_out_body(static_cast<float>(width()), static_cast<float>(height()));
    // Renders the cached image for the first time, so the body and frame come first.
    set_text_color(&kInitialText);
}

// --- maps ---------------------------------------------------------------------------------

float GraphWidget::location_for_axis_value(double value) const {
    return static_cast<float>((value - x_axis_min_) * x_scale_) + graph_frame_.x;
}
double GraphWidget::axis_value_for_location(float position) const {
    return static_cast<double>(inverse_of(x_scale_)) * (position - graph_frame_.x) + x_axis_min_;
}

// A linear axis keeps the float arithmetic of the ranges' own units.
float GraphWidget::location_for_x(float v) const {
    if (x_axis_ == RatioAxis::Linear) return (v - x_min_) * x_scale_ + graph_frame_.x;
    return location_for_axis_value(ratio_to_cents(v));
}
float GraphWidget::location_for_y(float v) const {
    return (v - y_min_) * y_scale_ + graph_frame_.y;
}
float GraphWidget::location_for_dy(float v) const {
    return (v - dy_min_) * dy_scale_ + graph_frame_.y;
}
float GraphWidget::x_for_location(float p) const {
    if (x_axis_ == RatioAxis::Linear) return inverse_of(x_scale_) * (p - graph_frame_.x) + x_min_;
    return static_cast<float>(ratio_at(x_axis_, axis_value_for_location(p)));
}
float GraphWidget::y_for_location(float p) const {
    return inverse_of(y_scale_) * (p - graph_frame_.y) + y_min_;
}
float GraphWidget::dy_for_location(float p) const {
    return inverse_of(dy_scale_) * (p - graph_frame_.y) + dy_min_;
}

// --- setters ------------------------------------------------------------------------------

void GraphWidget::lend_arrays(const float* x_values, const float* y_values) {
    x_values_ = x_values;
    y_values_ = y_values;
}

void GraphWidget::redraw(int32_t number_of_points) {
    number_of_points_ = number_of_points;
    build_curve_paths();
    build_just_markers();
    build_scale_lines();
    build_zero_slope_line();
    build_minima_markers();
    move_cursor_line(cursor_ratio_);
    build_marker_labels();
    request_redisplay();
    emit curve_redrawn();
}

void GraphWidget::set_axis_range(float extent, double min, double max, float& stored_min,
                                 float& stored_max, float& stored_scale) {
    const auto lo = static_cast<float>(min), hi = static_cast<float>(max);
    const auto scale = scale_for(extent, lo, hi);
    if (!scale) return;
    stored_min = lo;
    stored_max = hi;
    stored_scale = *scale;
}

void GraphWidget::set_x_range(double min, double max) {
    const auto lo = static_cast<float>(min), hi = static_cast<float>(max);
    const double axis_lo = axis_value(x_axis_, lo), axis_hi = axis_value(x_axis_, hi);
    if (!scale_for(graph_frame_.width, axis_lo, axis_hi)) return;
    x_min_ = lo, x_max_ = hi;
    x_axis_min_ = axis_lo, x_axis_max_ = axis_hi;
    lay_out_axes_and_scales();
    invalidate_background();
    request_redisplay();
}

void GraphWidget::set_y_range(double min, double max) {
    set_axis_range(graph_frame_.height, min, max, y_min_, y_max_, y_scale_);
    // The y labels' width sets the left margin.
    lay_out_axes_and_scales();
    invalidate_background();
    request_redisplay();
}

void GraphWidget::set_slope_range(double min, double max) {
    set_axis_range(graph_frame_.height, min, max, dy_min_, dy_max_, dy_scale_);
    request_redisplay();
}

void GraphWidget::set_ratio_axis(RatioAxis axis) {
    const double lo = axis_value(axis, x_min_), hi = axis_value(axis, x_max_);
    if (axis == x_axis_ || !scale_for(graph_frame_.width, lo, hi)) return;
    x_axis_ = axis;
    x_axis_min_ = lo, x_axis_max_ = hi;
    lay_out_axes_and_scales();
    invalidate_background();
    redraw(number_of_points_);
}

void GraphWidget::show_scale_ratios(std::vector<float> ratios, std::optional<size_t> selected) {
    scale_ratios_ = std::move(ratios);
    selected_scale_ratio_ = selected && *selected < scale_ratios_.size() ? selected : std::nullopt;
    build_scale_lines();
    build_marker_labels();
    request_redisplay();
}

void GraphWidget::show_scale_lines(bool shown) {
    shows_scale_lines_ = shown;
    build_scale_lines();
    build_marker_labels();
    request_redisplay();
}

void GraphWidget::show_just_ratios(bool draw) {
    shows_just_ratios_ = draw;
    build_just_markers();
    build_marker_labels();
    request_redisplay();
}

void GraphWidget::show_cursor_line(bool draw) {
    shows_cursor_line_ = draw;
    move_cursor_line(cursor_ratio_);
    request_redisplay();
}

void GraphWidget::show_slope(bool draw) {
    shows_slope_ = draw;
    build_zero_slope_line();
    request_redisplay();
}

void GraphWidget::set_curve_colors(const Rgba* line, const Rgba* fill) {
    if (line) curve_color_ = *line;
    if (fill) fill_color_ = *fill;
}

void GraphWidget::set_slope_colors(const Rgba* line, const Rgba* fill) {
    if (line) dy_curve_color_ = *line;
    if (fill) dy_fill_color_ = *fill;
}

void GraphWidget::set_background_color(const Rgba* color) {
    if (color) background_color_ = *color;
    invalidate_background();
    request_redisplay();
}

void GraphWidget::set_text_color(const Rgba* color) {
    if (color) text_color_ = *color;
    invalidate_background();
    request_redisplay();
}

void GraphWidget::request_redisplay() {
    update();
}

// --- layout -------------------------------------------------------------------------------

void GraphWidget::lay_out_body(float width, float height) {
    body_rect_ = {0.0f, 0.0f, width, height};
    lay_out_axes_and_scales();
}

void GraphWidget::lay_out_axes_and_scales() {
    axes_ = lay_out_axes(body_rect_, {x_axis_, x_min_, x_max_, y_min_, y_max_, shows_readout_});
    graph_frame_ = axes_.frame;
    recompute_scales();
}

// Scales for the stored ranges over the current frame. The stored ranges were accepted by
// their setters, so none is empty.
void GraphWidget::recompute_scales() {
    x_scale_ = scale_for(graph_frame_.width, x_axis_min_, x_axis_max_).value_or(x_scale_);
    y_scale_ = scale_for(graph_frame_.height, y_min_, y_max_).value_or(y_scale_);
    dy_scale_ = scale_for(graph_frame_.height, dy_min_, dy_max_).value_or(dy_scale_);
}

// Only a change of size lays the view out again; a view that merely moves keeps its
// geometry, its image and its paths.
void GraphWidget::relayout_if_resized() {
    const auto w = static_cast<float>(width()), h = static_cast<float>(height());
    if (w == body_rect_.width && h == body_rect_.height) return;
    lay_out_body(w, h);
    invalidate_background();
    redraw(number_of_points_);
}

// --- repaint ------------------------------------------------------------------------------

// Layers from bottom to top (the first three cached in one image): body gradient, grid, axes and
// tick labels, scale lines, curve, derivative and its zero line, just markers, minima, cursor line,
// marker labels, readout, shine, edge. Only the strokes are clipped to the graph frame.
void GraphWidget::paintEvent(QPaintEvent*) {
    relayout_if_resized();
    QPainter painter(this);
    // The device really painted on: the backing store of the window's screen, or the
    // image a render() or grab() redirects to. A HiDPI target re-renders the cached image
    // at its resolution once.
    const QPaintDevice* target =
        painter.paintEngine() ? painter.paintEngine()->paintDevice() : painter.device();
    if (target && target->devicePixelRatioF() != image_pixel_ratio_) {
        image_pixel_ratio_ = target->devicePixelRatioF();
        background_stale_ = true;
    }
    if (background_stale_) draw_background();
    painter.setTransform(widget_from_view(body_rect_.height));
    if (!axes_image_.isNull()) {
        painter.save();
        painter.resetTransform();
        painter.drawImage(QPointF(0.0, 0.0), axes_image_);
        painter.restore();
    }
    stroke_graph_layers(painter);
    paint_shine(painter, body_rect_);
    paint_panel_edge(painter, body_rect_);
}

void GraphWidget::paint_graph(QPainter& painter) {
    relayout_if_resized();
    painter.save();
    painter.setTransform(widget_from_view(body_rect_.height), true);
    paint_body_panel(painter, body_rect_, background_color_.value_or(kInitialBackground));
    painter.save();
    painter.setTransform(widget_from_view(body_rect_.height).inverted(), true);
    paint_axes(painter);
    painter.restore();
    stroke_graph_layers(painter);
    paint_shine(painter, body_rect_);
    paint_panel_edge(painter, body_rect_);
    painter.restore();
}

void GraphWidget::stroke_graph_layers(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setClipRect(to_qrect(graph_frame_), Qt::IntersectClip);
    const Rgba cursor = line_color_.value_or(Rgba{});
    stroke(painter, scale_lines_path_, Rgba{0.05f, 0.15f, 0.45f, 0.55f}, Qt::DashLine);
    // The fill colours are never painted: they only say whether the line colour is used.
    stroke_curve(painter, curve_path_,
                 curve_color_ && fill_color_ ? *curve_color_ : kFallbackStroke);
    if (shows_slope_) {
        const Rgba slope = dy_curve_color_ && dy_fill_color_ ? *dy_curve_color_ : kFallbackStroke;
        stroke(painter, zero_slope_path_, Rgba{slope.red, slope.green, slope.blue, 0.6f},
               Qt::DashDotLine);
        stroke_curve(painter, dy_curve_path_, slope);
    }
    if (just_color_) stroke(painter, justs_path_, *just_color_);
    paint_minima_markers(painter);
    stroke(painter, selected_scale_line_path_, cursor);
    if (line_color_) stroke(painter, ratio_line_path_, cursor);
    painter.restore();
    // The texts are laid out in widget units.
    painter.save();
    painter.setTransform(widget_from_view(body_rect_.height).inverted(), true);
    paint_marker_labels(painter);
    paint_readout(painter);
    painter.restore();
}

}  // namespace kelvara
