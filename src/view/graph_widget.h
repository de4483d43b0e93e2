#pragma once
// GraphWidget: the plotting surface of a document window. It draws the document's
// dissonance curve over interval ratio (on a linear or a cents axis), optionally the curve's
// derivative with its zero line, labelled markers at just-intonation ratios, the scale's
// ratios as labelled lines, a cursor line at a selected ratio, axes with round ticks, a
// light grid and titles (graph_axes.h), and a readout of the curve under the pointer, on a
// shaded panel. It computes nothing of the curve: the document lends the two float arrays
// and says how many points are valid, and sets ranges, flags and colours through CurveView.
//
// It changes no range by itself: the wheel, Ctrl+wheel, a Shift+drag or middle drag and a
// double click ask for new ranges (or a fit) through signals, and the window passes them to
// the document, which sets them back here as it sets a typed range. A plain left press is
// the audition's: it moves the readout and is announced, nothing more.
//
// Coordinates: all state is in unflipped view units (origin bottom left, y upwards, one
// unit per logical pixel). Paths are built in those units and mapped to Qt's y-down
// coordinates only while painting, by widget_from_view (view_geometry.h).
//
// Work is split by how often it changes: the panel, axes, grid and tick labels are rendered
// into a cached image at the first repaint after a range, axis, colour or size change; the paths
// are rebuilt by redraw and the flag setters; a repaint composites, strokes and writes the marker
// labels and the readout. paint_graph draws the same without the cached image, for vector exports.
//
// Limits the view keeps by itself:
// - An empty range (max = min), or one whose bounds or scale are not finite numbers, is
//   ignored: the last valid range and scale stay, nothing is re-rendered. The maps then
//   never divide by zero.
// - A curve point whose position is not a finite number (a NaN or infinite sample, or an
//   infinite slope between two equal x values) is left out and the polyline starts again
//   at the next finite point.
// - The count is trusted as the number of valid entries the document lent; a negative one
//   counts as 0 and one above kMaxCurvePoints as kMaxCurvePoints.
//
// Threads: user-interface thread only.
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "document/curve_view.h"
#include "engine/ratio_axis.h"
#include "view/graph_axes.h"
#include "view/view_geometry.h"

class QPainter;
class QTimer;

namespace kelvara {

// A path with the line width it is stroked with; points are in unflipped view units.
struct StrokedPath {
    QPainterPath path;
    qreal line_width = 1.0;
};

// A label beside a vertical marker: its box in widget units, its text and colour.
struct MarkerLabel {
    QRectF box;
    QString text;
    Rgba color;
};

// A minimum of the curve as the graph marks it: a small filled triangle whose tip touches the
// curve at (ratio, value) from below.
struct MinimumMarker {
    float ratio = 0.0f;
    float value = 0.0f;
};

class GraphWidget : public QWidget, public CurveView {
    Q_OBJECT

public:
    explicit GraphWidget(QWidget* parent = nullptr);
    ~GraphWidget() override = default;

    // --- CurveView -------------------------------------------------------------------
    // Stores both pointers only: no rebuild, no repaint. Either may be null.
    void lend_arrays(const float* x_values, const float* y_values) override;
    // Takes the count and rebuilds every path, then repaints.
    void redraw(int32_t number_of_points) override;
    // Each range setter recomputes its scale, re-renders the cached image and repaints; the
    // paths wait for the next redraw.
    void set_x_range(double min, double max) override;
    void set_y_range(double min, double max) override;
    void set_slope_range(double min, double max) override;
    // Rebuilds the markers and repaints.
    void show_just_ratios(bool draw) override;
    // Rebuilds the cursor line and repaints.
    void show_cursor_line(bool draw) override;
    // Stores the flag and repaints; the derivative path appears at the next redraw.
    void show_slope(bool draw) override;
    // Moves the cursor line to `ratio` (remembered even while the line is off) and repaints.
    void move_cursor_line(float ratio) override;
    // Colour setters: a null argument keeps that colour. Curve colours show at the next
    // repaint without requesting one; the background repaints; the text colour re-renders
    // the cached image and repaints.
    void set_curve_colors(const Rgba* line, const Rgba* fill) override;
    void set_slope_colors(const Rgba* line, const Rgba* fill) override;
    void set_background_color(const Rgba* color) override;
    void set_text_color(const Rgba* color) override;

    // --- what only the window sets: the x axis and the scale ------------------------------
    // Linear in the ratio or in cents. Lays the axes out again and repaints; the paths wait
    // for the next redraw, as after a range.
    void set_ratio_axis(RatioAxis axis);
    RatioAxis ratio_axis() const { return x_axis_; }
    // The scale table's ratios and its selected row (an index into them), drawn as labelled
    // lines while show_scale_lines is on, the selected one in the cursor's colour.
    void show_scale_ratios(std::vector<float> ratios, std::optional<size_t> selected);
    void show_scale_lines(bool shown);
    bool shows_scale_lines() const { return shows_scale_lines_; }
    const std::vector<float>& scale_ratios() const { return scale_ratios_; }
    std::optional<size_t> selected_scale_ratio() const { return selected_scale_ratio_; }

    // Whether the readout line above the plotting area is drawn (it is by default); a figure
    // for print leaves it out, and the plotting area takes its strip (the paths are rebuilt).
    void show_readout(bool shown);
    bool shows_readout() const { return shows_readout_; }

    // Paints the whole graph at the widget's size into `painter`, texts and axes as vector
    // strokes (no cached image): what the SVG and PDF exports draw.
    void paint_graph(QPainter& painter);

    // --- maps between data values and unflipped view positions (32-bit float) --------
    // The x maps follow the ratio axis: on a cents axis equal cents are equal distances.
    float location_for_x(float value) const;
    float location_for_y(float value) const;
    float location_for_dy(float value) const;
    float x_for_location(float position) const;
    float y_for_location(float position) const;
    float dy_for_location(float position) const;

    // Marks these minima, replacing the ones before, and repaints; `selected` (an index into
    // them) is ringed as well. Not part of CurveView: the window's minima table sets them.
    // The markers are rebuilt with every redraw; ranges move them at the next one.
    void show_minima(std::vector<MinimumMarker> minima, std::optional<size_t> selected = {});
    const std::vector<MinimumMarker>& minima() const { return minima_; }
    const std::optional<StrokedPath>& minima_path() const { return minima_path_; }
    const std::optional<StrokedPath>& selected_minimum_path() const {
        return selected_minimum_path_;
    }

    // The sampled curve's value at a ratio, linear between samples; nothing outside the
    // samples or where one is not a finite number.
    std::optional<float> curve_value_at(float ratio) const;

    // In a layout the graph takes the room it is given; these say what suits it.
    QSize sizeHint() const override { return {480, 300}; }
    QSize minimumSizeHint() const override { return {160, 120}; }

    // --- read-only state, for the window and for checks --------------------------------
    FloatRect body_rect() const { return body_rect_; }
    FloatRect graph_frame() const { return graph_frame_; }
    const AxisLayout& axes() const { return axes_; }
    float x_scale() const { return x_scale_; }
    float y_scale() const { return y_scale_; }
    float dy_scale() const { return dy_scale_; }
    float x_min() const { return x_min_; }
    float x_max() const { return x_max_; }
    float y_min() const { return y_min_; }
    float y_max() const { return y_max_; }
    float dy_min() const { return dy_min_; }
    float dy_max() const { return dy_max_; }
    int32_t number_of_points() const { return number_of_points_; }
    float cursor_ratio() const { return cursor_ratio_; }
    // The ratio the readout describes: the pointer's x, or the last left press; nothing
    // before the pointer first came over the graph.
    std::optional<float> readout_ratio() const { return readout_ratio_; }
    bool shows_just_ratios() const { return shows_just_ratios_; }
    bool shows_cursor_line() const { return shows_cursor_line_; }
    bool shows_slope() const { return shows_slope_; }
    // The readout as it is drawn, in the C locale: the ratio, its cents, the curve's value
    // there and the nearest simple just ratio with its distance in cents, such as
    // "1.4983   699.2¢   dissonance 0.2241   ≈ 3/2 −2.7¢"; before the pointer came over
    // the graph, a line on how to use it.
    QString readout_text() const;
    // The labels drawn beside the just-ratio markers and the scale lines ("5/4"), those
    // that found room, in the order they were placed.
    const std::vector<MarkerLabel>& marker_labels() const { return marker_labels_; }
    const QImage& axes_image() const { return axes_image_; }
    const std::optional<StrokedPath>& curve_path() const { return curve_path_; }
    const std::optional<StrokedPath>& dy_curve_path() const { return dy_curve_path_; }
    const std::optional<StrokedPath>& justs_path() const { return justs_path_; }
    const std::optional<StrokedPath>& ratio_line_path() const { return ratio_line_path_; }
    const std::optional<StrokedPath>& scale_lines_path() const { return scale_lines_path_; }
    const std::optional<StrokedPath>& zero_slope_path() const { return zero_slope_path_; }
    const std::optional<Rgba>& curve_color() const { return curve_color_; }
    const std::optional<Rgba>& dy_curve_color() const { return dy_curve_color_; }
    const std::optional<Rgba>& line_color() const { return line_color_; }
    const std::optional<Rgba>& just_color() const { return just_color_; }
    const std::optional<Rgba>& background_color() const { return background_color_; }
    const std::optional<Rgba>& text_color() const { return text_color_; }

signals:
    // redraw ran: the document resampled the curve, whose timbre, fixed tones or range may
    // have changed.
    void curve_redrawn();
    // A zoom or pan asks for these ranges (x in ratios). A wheel burst or a drag is one
    // gesture: gesture_started comes before its first request and gesture_finished after
    // its last (for the wheel, once it has rested for kWheelGestureMs).
    void ranges_requested(double x_min, double x_max, double y_min, double y_max);
    void gesture_started();
    void gesture_finished();
    // A double click: back to the fitted ranges.
    void fit_requested();
    // The audition's hook: a plain left press at a ratio, the pointer dragged on with the
    // button held, the button released.
    void audition_pressed(float ratio);
    void audition_moved(float ratio);
    void audition_released();

public:
    // How long the wheel rests before its burst of zoom steps counts as one finished gesture.
    static constexpr int kWheelGestureMs = 400;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Stores a range and its scale over `extent` points; an empty or non-finite range is
    // ignored, so the maps never divide by zero.
    void set_axis_range(float extent, double min, double max, float& stored_min, float& stored_max,
                        float& stored_scale);
    // Layout and repaint.
    void relayout_if_resized();
    void lay_out_body(float width, float height);
    void lay_out_axes_and_scales();
    void recompute_scales();
    void request_redisplay();
    void stroke_graph_layers(QPainter& painter) const;
    void paint_minima_markers(QPainter& painter) const;  // minima_markers.cpp
    void paint_marker_labels(QPainter& painter) const;   // ratio_markers.cpp
    void paint_readout(QPainter& painter) const;         // graph_readout.cpp
    // The x position for an axis value (a ratio or cents, as the axis is).
    float location_for_axis_value(double value) const;
    double axis_value_for_location(float position) const;

    // Path building (curve_paths.cpp, ratio_markers.cpp).
    void build_curve_paths();
    void build_curve(QPainterPath& path, int32_t count) const;
    void build_derivative(QPainterPath& path, int32_t count) const;
    void build_just_markers();
    void build_scale_lines();
    void build_zero_slope_line();
    void build_marker_labels();
    void build_minima_markers();  // minima_markers.cpp

    // The cached panel, grid, axes and tick labels (graph_background.cpp), drawn again at the
    // next repaint once stale: several changes before one repaint draw it once.
    void invalidate_background() { background_stale_ = true; }
    void draw_background();
    // The grid, axes, ticks, tick labels and titles, through a painter in widget units.
    void paint_axes(QPainter& painter) const;

    // Gestures (graph_gestures.cpp).
    void move_readout_to(QPointF widget_position);
    void request_axis_ranges(AxisSpan x, AxisSpan y);
    static double inverse_of_scale(float scale) { return scale == 0.0f ? 0.0 : 1.0 / scale; }
    void finish_wheel_gesture();
    void finish_drag();

    // Fields, in the order the view's state is described; every colour, path and the
    // image may be absent.
    FloatRect body_rect_;
    FloatRect graph_frame_;
    QImage axes_image_;
    // The panel alone, for the colour it was drawn in.
    QImage panel_image_;
    Rgba panel_color_;
    std::optional<Rgba> curve_color_;
    std::optional<Rgba> line_color_;
    std::optional<Rgba> just_color_;
    std::optional<Rgba> fill_color_;
    std::optional<Rgba> text_color_;
    std::optional<Rgba> background_color_;
    std::optional<Rgba> dy_curve_color_;
    std::optional<Rgba> dy_fill_color_;
    std::optional<StrokedPath> curve_path_;
    std::optional<StrokedPath> justs_path_;
    std::optional<StrokedPath> ratio_line_path_;
    std::optional<StrokedPath> dy_curve_path_;
    std::optional<StrokedPath> scale_lines_path_;
    std::optional<StrokedPath> selected_scale_line_path_;
    std::optional<StrokedPath> zero_slope_path_;
    std::optional<StrokedPath> minima_path_;
    std::optional<StrokedPath> selected_minimum_path_;
    std::vector<MinimumMarker> minima_;
    std::optional<size_t> selected_minimum_;
    AxisLayout axes_;
    std::vector<MarkerLabel> marker_labels_;
    RatioAxis x_axis_ = RatioAxis::Linear;
    // The x range's ends in axis units (ratios or cents), for the maps.
    double x_axis_min_ = 0.0, x_axis_max_ = 0.0;
    std::vector<float> scale_ratios_;
    std::optional<size_t> selected_scale_ratio_;
    bool shows_scale_lines_ = false;
    bool shows_readout_ = true;
    float x_min_ = 0.0f, x_max_ = 0.0f;
    float y_min_ = 0.0f, y_max_ = 0.0f;
    float x_scale_ = 0.0f, y_scale_ = 0.0f;
    float dy_min_ = 0.0f, dy_max_ = 0.0f;
    float dy_scale_ = 0.0f;
    const float* x_values_ = nullptr;
    const float* y_values_ = nullptr;
    int32_t number_of_points_ = 0;
    bool shows_just_ratios_ = false;
    bool shows_cursor_line_ = false;
    float cursor_ratio_ = 0.0f;
    bool shows_slope_ = false;
    std::optional<float> readout_ratio_;
    // A pan under way: where it started, in widget units, and the ranges then (x in axis
    // units).
    struct Drag {
        QPointF start;
        AxisSpan x;
        AxisSpan y;
    };
    std::optional<Drag> drag_;
    bool auditioning_ = false;
    QTimer* wheel_rest_ = nullptr;  // owned by the widget as its child
    // Device pixels per view unit of the cached image: that of the last paint target, so
    // the axes and text stay crisp on a HiDPI screen.
    qreal image_pixel_ratio_ = 1.0;
    bool background_stale_ = true;
};

}  // namespace kelvara
