// PVKelvaraView: initial state, the range, flag and colour setters, the coordinate maps,
// relayout and the order of the layers in a repaint.
#include "view/pv_kelvara_view.h"

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

PVKelvaraView::PVKelvaraView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    _image_pixel_ratio = devicePixelRatioF();
    _bg_color = kInitialBackground;
    lay_out_body(static_cast<float>(width()), static_cast<float>(height()));
    // Renders the cached image for the first time, so the body and frame come first.
    set_text_color(&kInitialText);
    set_x_range(1.0, 2.0);
    set_y_range(0.0, 4.0);
    set_slope_range(0.0, 4.0);
    _should_plot_line = false;
    _should_draw_justs = false;
    show_slope(false);
    _display_amp = 0.0f;
    _current_x_line = 0.0f;
    _display_ratio = 0.0f;
}

// --- maps ---------------------------------------------------------------------------------

float PVKelvaraView::location_for_x(float v) const {
    return (v - _x_min) * _x_scale + _graph_frame.x;
}
float PVKelvaraView::location_for_y(float v) const {
    return (v - _y_min) * _y_scale + _graph_frame.y;
}
float PVKelvaraView::location_for_dy(float v) const {
    return (v - _dy_min) * _dy_scale + _graph_frame.y;
}
float PVKelvaraView::x_for_location(float p) const {
    return inverse_of(_x_scale) * (p - _graph_frame.x) + _x_min;
}
float PVKelvaraView::y_for_location(float p) const {
    return inverse_of(_y_scale) * (p - _graph_frame.y) + _y_min;
}
float PVKelvaraView::dy_for_location(float p) const {
    return inverse_of(_dy_scale) * (p - _graph_frame.y) + _dy_min;
}

// --- setters ------------------------------------------------------------------------------

void PVKelvaraView::lend_arrays(const float* x_values, const float* y_values) {
    _x_values = x_values;
    _y_values = y_values;
}

void PVKelvaraView::redraw(int32_t number_of_points) {
    _number_of_points = number_of_points;
    drawGraph();
    plot_just_lines();
    move_cursor_line(_current_x_line);
    request_redisplay();
}

void PVKelvaraView::set_axis_range(float extent, double min, double max, float& stored_min,
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

void PVKelvaraView::set_x_range(double min, double max) {
    set_axis_range(_graph_frame.width, min, max, _x_min, _x_max, _x_scale);
}

void PVKelvaraView::set_y_range(double min, double max) {
    set_axis_range(_graph_frame.height, min, max, _y_min, _y_max, _y_scale);
}

void PVKelvaraView::set_slope_range(double min, double max) {
    set_axis_range(_graph_frame.height, min, max, _dy_min, _dy_max, _dy_scale);
}

void PVKelvaraView::show_just_ratios(bool draw) {
    _should_draw_justs = draw;
    plot_just_lines();
    request_redisplay();
}

void PVKelvaraView::show_cursor_line(bool draw) {
    _should_plot_line = draw;
    move_cursor_line(_current_x_line);
    request_redisplay();
}

void PVKelvaraView::show_slope(bool draw) {
    _should_draw_derivative = draw;
    request_redisplay();
}

void PVKelvaraView::set_curve_colors(const Rgba* line, const Rgba* fill) {
    if (line) _curve_color = *line;
    if (fill) _fill_color = *fill;
}

void PVKelvaraView::set_slope_colors(const Rgba* line, const Rgba* fill) {
    if (line) _dy_curve_color = *line;
    if (fill) _dy_fill_color = *fill;
}

void PVKelvaraView::set_background_color(const Rgba* color) {
    if (color) _bg_color = *color;
    request_redisplay();
}

void PVKelvaraView::set_text_color(const Rgba* color) {
    if (color) _text_color = *color;
    draw_background();
    request_redisplay();
}

void PVKelvaraView::request_redisplay() {
    update();
}

// --- layout -------------------------------------------------------------------------------

void PVKelvaraView::lay_out_body(float width, float height) {
    _body_rect = {0.0f, 0.0f, width, height};
    _graph_frame = graph_frame_for_body(_body_rect);
}

// Scales for the stored ranges over the current frame. The stored ranges were accepted by
// their setters, so none is empty.
void PVKelvaraView::recompute_scales() {
    _x_scale = scale_for(_graph_frame.width, _x_min, _x_max).value_or(_x_scale);
    _y_scale = scale_for(_graph_frame.height, _y_min, _y_max).value_or(_y_scale);
    _dy_scale = scale_for(_graph_frame.height, _dy_min, _dy_max).value_or(_dy_scale);
}

// Only a change of size lays the view out again; a view that merely moves keeps its
// geometry, its image and its paths.
void PVKelvaraView::relayout_if_resized() {
    const auto w = static_cast<float>(width()), h = static_cast<float>(height());
    if (w == _body_rect.width && h == _body_rect.height) return;
    lay_out_body(w, h);
    recompute_scales();
    draw_background();
    redraw(_number_of_points);
}

// --- repaint ------------------------------------------------------------------------------

// Layers from bottom to top: body gradient, axes and text, curve, derivative, cursor
// line, markers, shine, edge. Only the four strokes are clipped to the graph frame.
void PVKelvaraView::paintEvent(QPaintEvent*) {
    relayout_if_resized();
    QPainter painter(this);
    // The device really painted on: the backing store of the window's screen, or the
    // image a render() or grab() redirects to. A HiDPI target re-renders the cached image
    // at its resolution once.
    const QPaintDevice* target =
        painter.paintEngine() ? painter.paintEngine()->paintDevice() : painter.device();
    if (target && target->devicePixelRatioF() != _image_pixel_ratio) {
        _image_pixel_ratio = target->devicePixelRatioF();
        draw_background();
    }
    painter.setTransform(widget_from_view(_body_rect.height));
    do_body_panel(painter, _body_rect, _bg_color.value_or(kInitialBackground));
    if (!_graph_body_image.isNull()) {
        painter.save();
        painter.resetTransform();
        painter.drawImage(QPointF(0.0, 0.0), _graph_body_image);
        painter.restore();
    }
    stroke_graph_layers(painter);
    do_shine(painter, _body_rect);
    do_panel_edge(painter, _body_rect);
}

void PVKelvaraView::stroke_graph_layers(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setClipRect(to_qrect(_graph_frame), Qt::IntersectClip);
    // The fill colours are never painted: they only say whether the line colour is used.
    stroke(painter, _curve_path, _curve_color && _fill_color ? *_curve_color : kFallbackStroke);
    if (_should_draw_derivative)
        stroke(painter, _dy_curve_path,
               _dy_curve_color && _dy_fill_color ? *_dy_curve_color : kFallbackStroke);
    if (_line_color) stroke(painter, _ratio_line_path, *_line_color);
    if (_just_color) stroke(painter, _justs_path, *_just_color);
    painter.restore();
}

// --- mouse --------------------------------------------------------------------------------

// The readout shows where the press was, in data units of the x and dissonance ranges; it
// reads nothing off the curve and leaves the cursor line where it is.
void PVKelvaraView::mousePressEvent(QMouseEvent* event) {
    const QPointF at = widget_from_view(_body_rect.height).map(event->position());
    _display_ratio = x_for_location(static_cast<float>(at.x()));
    _display_amp = y_for_location(static_cast<float>(at.y()));
    draw_background();
    request_redisplay();
    event->accept();
}

}  // namespace kelvara
