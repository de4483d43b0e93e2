// GraphWidget: initial state, the range, flag and colour setters, the coordinate maps,
// relayout and the order of the layers in a repaint.
#include "view/graph_widget.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <cmath>

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
std::optional<float> scale_for(float extent, float min, float max) {
    const float span = max - min;
    if (!std::isfinite(min) || !std::isfinite(max) || !std::isfinite(span) || span == 0.0f)
        return std::nullopt;
    return extent / span;
}

// The inverse of a scale; a plotting area of no extent (a panel 25 units across) maps every
// position to the range's minimum instead of dividing by zero.
float inverse_of(float scale) {
    return scale == 0.0f ? 0.0f : 1.0f / scale;
}

void stroke(QPainter& painter, const std::optional<StrokedPath>& path, const Rgba& color) {
    if (!path) return;
    painter.setPen(
        QPen(to_qcolor(color), path->line_width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPath(path->path);
}

}  // namespace

GraphWidget::GraphWidget(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    image_pixel_ratio_ = devicePixelRatioF();
    background_color_ = kInitialBackground;
    lay_out_body(static_cast<float>(width()), static_cast<float>(height()));
    // Renders the cached image for the first time, so the body and frame come first.
    set_text_color(&kInitialText);
    set_x_range(1.0, 2.0);
    set_y_range(0.0, 4.0);
    set_slope_range(0.0, 4.0);
    shows_cursor_line_ = false;
    shows_just_ratios_ = false;
    show_slope(false);
    readout_dissonance_ = 0.0f;
    cursor_ratio_ = 0.0f;
    readout_ratio_ = 0.0f;
}

// --- maps ---------------------------------------------------------------------------------

float GraphWidget::location_for_x(float v) const {
    return (v - x_min_) * x_scale_ + graph_frame_.x;
}
float GraphWidget::location_for_y(float v) const {
    return (v - y_min_) * y_scale_ + graph_frame_.y;
}
float GraphWidget::location_for_dy(float v) const {
    return (v - dy_min_) * dy_scale_ + graph_frame_.y;
}
float GraphWidget::x_for_location(float p) const {
    return inverse_of(x_scale_) * (p - graph_frame_.x) + x_min_;
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
    build_minima_markers();
    move_cursor_line(cursor_ratio_);
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
    draw_background();
    request_redisplay();
}

void GraphWidget::set_x_range(double min, double max) {
    set_axis_range(graph_frame_.width, min, max, x_min_, x_max_, x_scale_);
}

void GraphWidget::set_y_range(double min, double max) {
    set_axis_range(graph_frame_.height, min, max, y_min_, y_max_, y_scale_);
}

void GraphWidget::set_slope_range(double min, double max) {
    set_axis_range(graph_frame_.height, min, max, dy_min_, dy_max_, dy_scale_);
}

void GraphWidget::show_just_ratios(bool draw) {
    shows_just_ratios_ = draw;
    build_just_markers();
    request_redisplay();
}

void GraphWidget::show_cursor_line(bool draw) {
    shows_cursor_line_ = draw;
    move_cursor_line(cursor_ratio_);
    request_redisplay();
}

void GraphWidget::show_slope(bool draw) {
    shows_slope_ = draw;
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
    request_redisplay();
}

void GraphWidget::set_text_color(const Rgba* color) {
    if (color) text_color_ = *color;
    draw_background();
    request_redisplay();
}

void GraphWidget::request_redisplay() {
    update();
}

// --- layout -------------------------------------------------------------------------------

void GraphWidget::lay_out_body(float width, float height) {
    body_rect_ = {0.0f, 0.0f, width, height};
    graph_frame_ = graph_frame_for_body(body_rect_);
}

// Scales for the stored ranges over the current frame. The stored ranges were accepted by
// their setters, so none is empty.
void GraphWidget::recompute_scales() {
    x_scale_ = scale_for(graph_frame_.width, x_min_, x_max_).value_or(x_scale_);
    y_scale_ = scale_for(graph_frame_.height, y_min_, y_max_).value_or(y_scale_);
    dy_scale_ = scale_for(graph_frame_.height, dy_min_, dy_max_).value_or(dy_scale_);
}

// Only a change of size lays the view out again; a view that merely moves keeps its
// geometry, its image and its paths.
void GraphWidget::relayout_if_resized() {
    const auto w = static_cast<float>(width()), h = static_cast<float>(height());
    if (w == body_rect_.width && h == body_rect_.height) return;
    lay_out_body(w, h);
    recompute_scales();
    draw_background();
    redraw(number_of_points_);
}

// --- repaint ------------------------------------------------------------------------------

// Layers from bottom to top: body gradient, axes and text, curve, derivative, cursor
// line, markers, shine, edge. Only the four strokes are clipped to the graph frame.
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
        draw_background();
    }
    painter.setTransform(widget_from_view(body_rect_.height));
    paint_body_panel(painter, body_rect_, background_color_.value_or(kInitialBackground));
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

void GraphWidget::stroke_graph_layers(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setClipRect(to_qrect(graph_frame_), Qt::IntersectClip);
    // The fill colours are never painted: they only say whether the line colour is used.
    stroke(painter, curve_path_, curve_color_ && fill_color_ ? *curve_color_ : kFallbackStroke);
    if (shows_slope_)
        stroke(painter, dy_curve_path_,
               dy_curve_color_ && dy_fill_color_ ? *dy_curve_color_ : kFallbackStroke);
    if (line_color_) stroke(painter, ratio_line_path_, *line_color_);
    if (just_color_) stroke(painter, justs_path_, *just_color_);
    paint_minima_markers(painter);
    painter.restore();
}

// --- mouse --------------------------------------------------------------------------------

// The readout shows where the press was, in data units of the x and dissonance ranges; it
// reads nothing off the curve and leaves the cursor line where it is.
void GraphWidget::mousePressEvent(QMouseEvent* event) {
    const QPointF at = widget_from_view(body_rect_.height).map(event->position());
    readout_ratio_ = x_for_location(static_cast<float>(at.x()));
    readout_dissonance_ = y_for_location(static_cast<float>(at.y()));
    draw_background();
    request_redisplay();
    event->accept();
    if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier) {
        interval_held_ = true;
        emit interval_pressed(readout_ratio_);
    }
}

float GraphWidget::ratio_at(const QMouseEvent& event) const {
    const QPointF at = widget_from_view(body_rect_.height).map(event.position());
    return x_for_location(static_cast<float>(at.x()));
}

void GraphWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!interval_held_) return QWidget::mouseMoveEvent(event);
    event->accept();
    emit interval_dragged(ratio_at(*event));
}

void GraphWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!interval_held_ || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    interval_held_ = false;
    event->accept();
    emit interval_released();
}

}  // namespace kelvara
