#pragma once
// GraphWidget: the plotting surface of a document window. It draws the document's
// dissonance curve over interval ratio, optionally the curve's derivative, markers at
// just-intonation ratios, a cursor line at a selected ratio, axes with labels and a click
// readout, on a shaded panel. It computes nothing of the curve: the document lends the
// two float arrays and says how many points are valid, and sets ranges, flags and colours
// through CurveView.
//
// Coordinates: all state is in unflipped view units (origin bottom left, y upwards, one
// unit per logical pixel). Paths are built in those units and mapped to Qt's y-down
// coordinates only while painting, by widget_from_view (view_geometry.h).
//
// Work is split by how often it changes: the axes and all text are rendered into a cached
// image on range, text-colour and size changes and on presses; the four paths are rebuilt
// by redraw and the flag setters; a repaint only composites and strokes.
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
#include "view/view_geometry.h"

class QPainter;

namespace kelvara {

// A path with the line width it is stroked with; points are in unflipped view units.
struct StrokedPath {
    QPainterPath path;
    qreal line_width = 1.0;
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

    // --- maps between data values and unflipped view positions (32-bit float) --------
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

    // In a layout the graph takes the room it is given; these say what suits it.
    QSize sizeHint() const override { return {480, 300}; }
    QSize minimumSizeHint() const override { return {120, 80}; }

    // --- read-only state, for the window and for checks --------------------------------
    FloatRect body_rect() const { return body_rect_; }
    FloatRect graph_frame() const { return graph_frame_; }
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
    float readout_ratio() const { return readout_ratio_; }
    float readout_dissonance() const { return readout_dissonance_; }
    bool shows_just_ratios() const { return shows_just_ratios_; }
    bool shows_cursor_line() const { return shows_cursor_line_; }
    bool shows_slope() const { return shows_slope_; }
    // The readout as it is drawn: "(%.3f, %.3f)" of the last press, in the C locale.
    QString readout_text() const;
    const QImage& axes_image() const { return axes_image_; }
    const std::optional<StrokedPath>& curve_path() const { return curve_path_; }
    const std::optional<StrokedPath>& dy_curve_path() const { return dy_curve_path_; }
    const std::optional<StrokedPath>& justs_path() const { return justs_path_; }
    const std::optional<StrokedPath>& ratio_line_path() const { return ratio_line_path_; }
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
    // A plain left press at interval ratio `ratio`, the pointer moving while it is held, and
    // its release: the window plays the interval under the pointer meanwhile.
    void interval_pressed(float ratio);
    void interval_dragged(float ratio);
    void interval_released();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Stores a range and its scale over `extent` points; an empty or non-finite range is
    // ignored, so the maps never divide by zero.
    void set_axis_range(float extent, double min, double max, float& stored_min, float& stored_max,
                        float& stored_scale);
    // The interval ratio under the pointer of a mouse event.
    float ratio_at(const QMouseEvent& event) const;
    // Layout and repaint.
    void relayout_if_resized();
    void lay_out_body(float width, float height);
    void recompute_scales();
    void request_redisplay();
    void stroke_graph_layers(QPainter& painter) const;
    void paint_minima_markers(QPainter& painter) const;  // minima_markers.cpp

    // Path building (curve_paths.cpp, ratio_markers.cpp).
    void build_curve_paths();
    void build_curve(QPainterPath& path, int32_t count) const;
    void build_derivative(QPainterPath& path, int32_t count) const;
    void build_just_markers();
    void build_minima_markers();  // minima_markers.cpp

    // The cached axes and text (graph_background.cpp).
    void draw_background();
    void draw_labels(QPainter& painter, const QTransform& to_widget) const;

    // Fields, in the order the view's state is described; every colour, path and the
    // image may be absent.
    FloatRect body_rect_;
    FloatRect graph_frame_;
    QImage axes_image_;
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
    bool interval_held_ = false;  // a plain left press has not been released
    std::optional<StrokedPath> ratio_line_path_;
    std::optional<StrokedPath> dy_curve_path_;
    std::optional<StrokedPath> minima_path_;
    std::optional<StrokedPath> selected_minimum_path_;
    std::vector<MinimumMarker> minima_;
    std::optional<size_t> selected_minimum_;
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
    float readout_ratio_ = 0.0f, readout_dissonance_ = 0.0f;
    // Device pixels per view unit of the cached image: that of the last paint target, so
    // the axes and text stay crisp on a HiDPI screen.
    qreal image_pixel_ratio_ = 1.0;
};

// The face of every text in the graph: the system face at 9 view units.
QFont graph_label_font();

}  // namespace kelvara
