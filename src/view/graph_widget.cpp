// GraphWidget: initial state, the range, axis, flag and colour setters, relayout and the order of
// the layers in a repaint.
#include "view/graph_widget.h"

#include <algorithm>
#include <cmath>

#include <QPaintEngine>
#include <QPainter>

#include "view/graph_axes.h"
#include "view/graph_gestures.h"
#include "view/panel_shading.h"
#include "view/view_color.h"

namespace kelvara {
namespace {

constexpr Rgba kInitialBackground{0.0f, 0.0f, 0.0f, 0.6666f};
constexpr Rgba kInitialText{0.0f, 0.0f, 0.0f, 1.0f};
// Stroked when a curve colour lacks its fill companion.
constexpr Rgba kFallbackStroke{0.0f, 0.0f, 1.0f, 0.4f};

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

GraphWidget::GraphWidget(QWidget* parent) : QWidget(parent), geometry_({}, graph_text_metrics()) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(true);
    gestures_ = new GraphGestures(*this);
    image_pixel_ratio_ = devicePixelRatioF();
    background_color_ = kInitialBackground;
    lay_out(geometry_.setup());
    // Renders the cached image for the first time, so the geometry comes first.
    set_text_color(&kInitialText);
}

GraphWidget::~GraphWidget() = default;

// --- setters ------------------------------------------------------------------------------

void GraphWidget::lend_arrays(const float* x_values, const float* y_values) {
    x_values_ = x_values;
    y_values_ = y_values;
}

void GraphWidget::redraw(int32_t number_of_points) {
    layers_.number_of_points = number_of_points;
    build_curve_paths();
    build_just_markers();
    build_scale_lines();
    build_zero_slope_line();
    build_minima_markers();
    build_cursor_line();
    build_marker_labels();
    update();
    emit curve_redrawn();
}

void GraphWidget::set_curve_pixel_ratio(double ratio) {
    curve_pixel_ratio_ = std::max(ratio, 1.0);
}

// The plotting area's width on the screen: a curve sampled this finely draws every pixel.
CurveResolution GraphWidget::resolution() const {
    const double pixel_ratio = std::max(devicePixelRatioF(), curve_pixel_ratio_);
    const double pixels = std::ceil(geometry_.frame().width * pixel_ratio);
    return {pixels >= 1.0 ? static_cast<int32_t>(pixels) : 0, geometry_.axis()};
}

void GraphWidget::lay_out(GraphGeometry::Setup setup) {
    setup.width = static_cast<float>(width());
    setup.height = static_cast<float>(height());
    setup.readout = layers_.readout;
    const CurveResolution before = resolution();
    geometry_ = GraphGeometry(setup, graph_text_metrics());
    invalidate_background();
    // Queued by the window: the curve is drawn again after this repaint, not inside it.
    if (resolution() != before) emit resolution_changed();
}

void GraphWidget::set_x_range(double min, double max) {
    GraphGeometry::Setup setup = geometry_.setup();
    if (!GraphGeometry::plottable(setup.axis, {min, max})) return;
    setup.ranges.x = {min, max};
    lay_out(setup);
    update();
}

void GraphWidget::set_y_range(double min, double max) {
    GraphGeometry::Setup setup = geometry_.setup();
    if (!GraphGeometry::plottable({min, max})) return;
    // The y labels' width sets the left margin.
    setup.ranges.y = {min, max};
    lay_out(setup);
    update();
}

void GraphWidget::set_slope_range(double min, double max) {
    GraphGeometry::Setup setup = geometry_.setup();
    if (!GraphGeometry::plottable({min, max})) return;
    setup.ranges.slope = {min, max};
    lay_out(setup);
    update();
}

void GraphWidget::set_ratio_axis(RatioAxis axis) {
    GraphGeometry::Setup setup = geometry_.setup();
    if (axis == setup.axis || !GraphGeometry::plottable(axis, setup.ranges.x)) return;
    setup.axis = axis;
    lay_out(setup);
    redraw(layers_.number_of_points);
}

void GraphWidget::set_just_naming(const JustNaming& naming) {
    GraphGeometry::Setup setup = geometry_.setup();
    if (naming == setup.just) return;
    setup.just = naming;
    lay_out(setup);
    redraw(layers_.number_of_points);
}

void GraphWidget::show_scale_ratios(std::vector<float> ratios, std::optional<size_t> selected) {
    layers_.scale_ratios = std::move(ratios);
    layers_.selected_scale_ratio =
        selected && *selected < layers_.scale_ratios.size() ? selected : std::nullopt;
    build_scale_lines();
    build_marker_labels();
    update();
}

void GraphWidget::show_scale_lines(bool shown) {
    layers_.scale_lines = shown;
    build_scale_lines();
    build_marker_labels();
    update();
}

void GraphWidget::set_plot_flags(PlotFlags flags) {
    layers_.flags = flags;
    if (GraphGeometry::Setup setup = geometry_.setup(); setup.slope_axis != flags.slope) {
        setup.slope_axis = flags.slope;  // the frame narrows for the slope's scale
        lay_out(setup);
        redraw(layers_.number_of_points);
    }
    build_just_markers();
    build_cursor_line();
    build_zero_slope_line();
    build_marker_labels();
    update();
}

void GraphWidget::move_cursor_line(float ratio) {
    layers_.cursor_ratio = ratio;
    build_cursor_line();
    update();
}

void GraphWidget::set_curve_colors(const Rgba* line, const Rgba* fill) {
    if (line) curve_color_ = *line;
    if (fill) fill_color_ = *fill;
}

void GraphWidget::set_slope_colors(const Rgba* line, const Rgba* fill) {
    if (line) slope_color_ = *line;
    if (fill) slope_fill_color_ = *fill;
}

void GraphWidget::set_background_color(const Rgba* color) {
    if (color) background_color_ = *color;
    invalidate_background();
    update();
}

void GraphWidget::set_text_color(const Rgba* color) {
    if (color) text_color_ = *color;
    invalidate_background();
    update();
}

// Only a change of size lays the view out again; a view that merely moves keeps its
// geometry, its image and its paths.
void GraphWidget::relayout_if_resized() {
    const GraphGeometry::Setup& setup = geometry_.setup();
    if (static_cast<float>(width()) == setup.width && static_cast<float>(height()) == setup.height)
        return;
    lay_out(setup);
    redraw(layers_.number_of_points);
}

// --- repaint ------------------------------------------------------------------------------

// Layers from bottom to top (the first three cached in one image): body gradient, grid, axes and
// tick labels, scale lines, curve, slope and its zero line, just markers, minima, cursor line,
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
    const FloatRect body = geometry_.panel();
    painter.setTransform(widget_from_view(body.height));
    if (!axes_image_.isNull()) {
        painter.save();
        painter.resetTransform();
        painter.drawImage(QPointF(0.0, 0.0), axes_image_);
        painter.restore();
    }
    stroke_graph_layers(painter);
    paint_shine(painter, body);
    paint_panel_edge(painter, body);
}

void GraphWidget::paint_graph(QPainter& painter) {
    relayout_if_resized();
    const FloatRect body = geometry_.panel();
    painter.save();
    painter.setTransform(widget_from_view(body.height), true);
    paint_body_panel(painter, body, background_color_.value_or(kInitialBackground));
    painter.save();
    painter.setTransform(widget_from_view(body.height).inverted(), true);
    paint_axes(painter);
    painter.restore();
    stroke_graph_layers(painter);
    paint_shine(painter, body);
    paint_panel_edge(painter, body);
    painter.restore();
}

void GraphWidget::stroke_graph_layers(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setClipRect(to_qrect(geometry_.frame()), Qt::IntersectClip);
    const Rgba cursor = line_color_.value_or(Rgba{});
    stroke(painter, scale_lines_path_, Rgba{0.05f, 0.15f, 0.45f, 0.55f}, Qt::DashLine);
    // The fill colours are never painted: they only say whether the line colour is used.
    stroke_curve(painter, curve_path_,
                 curve_color_ && fill_color_ ? *curve_color_ : kFallbackStroke);
    if (layers_.flags.slope) {
        const Rgba slope = slope_color_ && slope_fill_color_ ? *slope_color_ : kFallbackStroke;
        stroke(painter, zero_slope_path_, Rgba{slope.red, slope.green, slope.blue, 0.6f},
               Qt::DashDotLine);
        stroke_curve(painter, slope_path_, slope);
    }
    if (just_color_) stroke(painter, justs_path_, *just_color_);
    paint_minima_markers(painter);
    stroke(painter, selected_scale_line_path_, cursor);
    if (line_color_) stroke(painter, ratio_line_path_, cursor);
    painter.restore();
    // The texts are laid out in widget units.
    painter.save();
    painter.setTransform(widget_from_view(geometry_.panel().height).inverted(), true);
    paint_marker_labels(painter);
    paint_readout(painter);
    painter.restore();
}

}  // namespace kelvara
