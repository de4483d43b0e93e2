#pragma once
// GraphWidget: the plotting surface of a document window. It draws the document's
// dissonance curve over interval ratio (on a linear or a cents axis), optionally the curve's
// slope with its zero line, labelled markers at just-intonation ratios, the scale's
// ratios as labelled lines, a cursor line at a selected ratio, axes with round ticks, a
// light grid and titles (graph_axes.h), and a readout of the curve under the pointer, on a
// shaded panel. It computes nothing of the curve: the document lends the two float arrays
// and says how many points are valid, and sets ranges, flags and colours through CurveView.
//
// Where everything goes is one value, its GraphGeometry (graph_geometry.h), made again after
// every change of range, axis or size; what shows over it is another, its GraphLayers.
//
// It changes no range by itself: its gestures (graph_gestures.h) ask for new ranges or a fit,
// and the window passes them to the document, which sets them back here as it sets a typed
// range.
//
// Coordinates: paths are built in unflipped view units and mapped to Qt's y-down
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
// - Curve points that cannot be placed, and counts beyond what was lent: curve_polylines.h.
//
// Threads: user-interface thread only.
#include <QImage>
#include <QPainterPath>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "document/curve_view.h"
#include "engine/ratio_axis.h"
#include "view/graph_geometry.h"

class QPainter;

namespace kelvara {

class GraphGestures;

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

// What the graph shows over its geometry, as it was last told.
struct GraphLayers {
    PlotFlags flags;
    int32_t number_of_points = 0;
    // Remembered while the cursor line is off.
    float cursor_ratio = 0.0f;
    // The scale table's ratios, drawn as lines while scale_lines is on, the selected one (an
    // index into them) in the cursor's colour.
    std::vector<float> scale_ratios;
    std::optional<size_t> selected_scale_ratio;
    bool scale_lines = false;
    std::vector<MinimumMarker> minima;
    std::optional<size_t> selected_minimum;
    // The ratio the readout describes: the pointer's, or the last left press's; nothing
    // before the pointer first came over the graph.
    std::optional<float> readout_ratio;
    bool readout = true;
};

class GraphWidget : public QWidget, public CurveView {
    Q_OBJECT

public:
    explicit GraphWidget(QWidget* parent = nullptr);
    ~GraphWidget() override;

    // --- CurveView -------------------------------------------------------------------
    // Stores both pointers only: no rebuild, no repaint. Either may be null.
    void lend_arrays(const float* x_values, const float* y_values) override;
    // Takes the count and rebuilds every path, then repaints.
    void redraw(int32_t number_of_points) override;
    CurveResolution resolution() const override;
    // Device pixels per view unit the curve is drawn for at least, beside the screen's: a
    // file's. Takes effect when the document next draws the curve (no resolution_changed).
    void set_curve_pixel_ratio(double ratio);
    // Each range setter makes the geometry again, re-renders the cached image and repaints;
    // the paths wait for the next redraw. A range that is not plottable is ignored.
    void set_x_range(double min, double max) override;
    void set_y_range(double min, double max) override;
    void set_slope_range(double min, double max) override;
    // Rebuilds the markers and the cursor line and repaints; the slope appears at the next
    // redraw.
    void set_plot_flags(PlotFlags flags) override;
    // Moves the cursor line to `ratio` (remembered even while the line is off) and repaints.
    void move_cursor_line(float ratio) override;
    // Colour setters: a null argument keeps that colour. Curve colours show at the next
    // repaint without requesting one; the background repaints; the text colour re-renders
    // the cached image and repaints.
    void set_curve_colors(const Rgba* line, const Rgba* fill) override;
    void set_slope_colors(const Rgba* line, const Rgba* fill) override;
    void set_background_color(const Rgba* color) override;
    void set_text_color(const Rgba* color) override;

    // --- what only the window sets ------------------------------------------------------
    // Linear in the ratio or in cents. Lays the axes out again and redraws; a range with no
    // place on the new axis keeps the old one.
    void set_ratio_axis(RatioAxis axis);
    // How the readout names a ratio and which fractions the just markers stand at: the
    // document's naming, as its minima are named.
    void set_just_naming(const JustNaming& naming);
    // The scale table's ratios and its selected row; shown as lines while show_scale_lines
    // is on.
    void show_scale_ratios(std::vector<float> ratios, std::optional<size_t> selected);
    void show_scale_lines(bool shown);
    // Marks these minima, replacing the ones before, and repaints; `selected` (an index into
    // them) is ringed as well. The markers are rebuilt with every redraw.
    void show_minima(std::vector<MinimumMarker> minima, std::optional<size_t> selected = {});
    // Whether the readout line above the plotting area is drawn (it is by default); a figure
    // for print leaves it out, and the plotting area takes its strip.
    void show_readout(bool shown);
    // Moves the readout to the ratio under a widget position inside the plotting area and
    // repaints; returns the ratio read, nothing outside the plotting area.
    std::optional<float> read_at(QPointF widget_position);

    // Paints the whole graph at the widget's size into `painter`, texts and axes as vector
    // strokes (no cached image): what the SVG and PDF exports draw.
    void paint_graph(QPainter& painter);

    // --- what it shows ------------------------------------------------------------------
    // Where everything goes, at the size the widget was last laid out at.
    const GraphGeometry& geometry() const { return geometry_; }
    const GraphLayers& layers() const { return layers_; }
    // The wheel, drag, double-click and audition gestures, with their signals.
    GraphGestures& gestures() const { return *gestures_; }
    // The readout as it is drawn, in the C locale: the ratio, its cents, the curve's value
    // there (linear between samples) and the nearest simple just ratio with its distance in
    // cents, such as "1.4983   699.2¢   dissonance 0.2241   ≈ 3/2 −2.7¢"; before the pointer
    // came over the graph, a line on how to use it.
    QString readout_text() const;
    // The labels drawn beside the just-ratio markers and the scale lines ("5/4"), those
    // that found room, in the order they were placed.
    const std::vector<MarkerLabel>& marker_labels() const { return marker_labels_; }

    // In a layout the graph takes the room it is given; these say what suits it.
    QSize sizeHint() const override { return {480, 300}; }
    QSize minimumSizeHint() const override { return {160, 120}; }

signals:
    // redraw ran: the document resampled the curve, whose timbre, fixed tones or range may
    // have changed.
    void curve_redrawn();
    // The plotting area's width in device pixels or the ratio axis changed: the curve lent
    // is drawn at the old resolution until the document draws it again.
    void resolution_changed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Makes the geometry again from `setup` (its ranges plottable) at the widget's size.
    void lay_out(GraphGeometry::Setup setup);
    void relayout_if_resized();
    // The sampled curve's value at a ratio, linear between samples; nothing outside the
    // samples or where one is not a finite number.
    std::optional<float> curve_value_at(float ratio) const;
    void stroke_graph_layers(QPainter& painter) const;
    void paint_minima_markers(QPainter& painter) const;  // minima_markers.cpp
    void paint_slope_axis(QPainter& painter) const;      // graph_background.cpp
    void paint_marker_labels(QPainter& painter) const;   // ratio_markers.cpp
    void paint_readout(QPainter& painter) const;         // graph_readout.cpp

    // Path building (curve_paths.cpp, ratio_markers.cpp, minima_markers.cpp).
    void build_curve_paths();
    void build_just_markers();
    void build_scale_lines();
    void build_zero_slope_line();
    void build_cursor_line();
    void build_marker_labels();
    void build_minima_markers();

    // The cached panel, grid, axes and tick labels (graph_background.cpp), drawn again at the
    // next repaint once stale: several changes before one repaint draw it once.
    void invalidate_background() { background_stale_ = true; }
    void draw_background();
    // The grid, axes, ticks, tick labels and titles, through a painter in widget units.
    void paint_axes(QPainter& painter) const;

    GraphGeometry geometry_;
    GraphLayers layers_;
    QImage axes_image_;
    // The panel alone, for the colour it was drawn in.
    QImage panel_image_;
    Rgba panel_color_;
    // Every colour and path may be absent.
    std::optional<Rgba> curve_color_;
    std::optional<Rgba> line_color_;
    std::optional<Rgba> just_color_;
    std::optional<Rgba> fill_color_;
    std::optional<Rgba> text_color_;
    std::optional<Rgba> background_color_;
    std::optional<Rgba> slope_color_;
    std::optional<Rgba> slope_fill_color_;
    std::optional<StrokedPath> curve_path_;
    std::optional<StrokedPath> justs_path_;
    std::optional<StrokedPath> ratio_line_path_;
    std::optional<StrokedPath> slope_path_;
    std::optional<StrokedPath> scale_lines_path_;
    std::optional<StrokedPath> selected_scale_line_path_;
    std::optional<StrokedPath> zero_slope_path_;
    std::optional<StrokedPath> minima_path_;
    std::optional<StrokedPath> selected_minimum_path_;
    std::vector<MarkerLabel> marker_labels_;
    const float* x_values_ = nullptr;
    const float* y_values_ = nullptr;
    GraphGestures* gestures_ = nullptr;  // owned by the widget as its child
    // Device pixels per view unit of the cached image: that of the last paint target, so
    // the axes and text stay crisp on a HiDPI screen.
    qreal image_pixel_ratio_ = 1.0;
    double curve_pixel_ratio_ = 1.0;  // set_curve_pixel_ratio
    bool background_stale_ = true;
};

}  // namespace kelvara
