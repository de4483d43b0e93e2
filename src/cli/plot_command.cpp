// `kelvara-cli plot [FILE.kelvara]`: the graph of a new or saved document drawn offscreen by
// the window's own graph view, with the colours and axes the window gives it, saved as a PNG
// image and/or an SVG or PDF drawing (view/graph_export.h).
#include <CLI/CLI.hpp>
#include <QApplication>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "document/document.h"
#include "document/document_minima.h"
#include "view/graph_export.h"
#include "view/graph_widget.h"

namespace kelvara::cli {
namespace {

struct PlotOptions {
    std::string document;  // a saved document; a new one when empty
    std::string png_path;
    std::string svg_path;
    std::string pdf_path;
    int width = 600;
    int height = 400;
    bool justs = false;
    std::optional<float> cursor;
    bool derivative = false;
    bool cents = false;
    bool scale_lines = false;
    bool minima = false;
    double min_prominence = 0.0;
    int scale = 1;
};

// Image pixels per side: large enough for a print, small enough to fit in memory.
constexpr int kMaxSide = 8000;
// Image pixels per view unit, as on a HiDPI screen.
constexpr int kMaxScale = 4;

void check_options(const PlotOptions& o) {
    if (o.png_path.empty() && o.svg_path.empty() && o.pdf_path.empty())
        throw UsageError("plot needs at least one of --png, --svg and --pdf");
    if (!(o.min_prominence >= 0.0))
        throw UsageError("--min-prominence must be a number, 0 or more");
    if (o.scale < 1 || o.scale > kMaxScale)
        throw UsageError("--scale must lie between 1 and " + std::to_string(kMaxScale));
    if (o.width < 1 || o.width * o.scale > kMaxSide || o.height < 1 ||
        o.height * o.scale > kMaxSide)
        throw UsageError("--width and --height times --scale must lie between 1 and " +
                         std::to_string(kMaxSide));
}

void write(Document& document, GraphWidget& view, GraphFileFormat format, const std::string& path,
           int scale) {
    if (path.empty()) return;
    const Result<void> written =
        write_document_graph(document, view, format, QString::fromStdString(path), scale);
    if (!written) throw DocumentFileFailure(written.error());
}

// The markers of the minima at least `min_prominence` deep, as the window's Minima panel
// places them.
std::vector<MinimumMarker> minima_markers(const std::vector<CurveMinimum>& found,
                                          double min_prominence) {
    std::vector<MinimumMarker> markers;
    for (const CurveMinimum& m : found)
        if (m.prominence >= min_prominence)
            markers.push_back({static_cast<float>(m.ratio), static_cast<float>(m.value)});
    return markers;
}

void draw_and_write(const PlotOptions& o) {
    // The view is declared first so that it outlives the document, which takes its arrays
    // back from the view when it goes.
    GraphWidget view;
    view.resize(o.width, o.height);
    Document document;
    if (!o.document.empty()) read_document(o.document, document);
    NullDocumentView no_fields;
    document.attach_views(no_fields, &view);
    document.show_all();
    // A new document's curve fills the graph, as in a new window.
    if (o.document.empty()) document.curve_actions().fit_y_range();
    // The options switch layers on; what a saved document shows stays shown.
    const Curve& curve = document.curve();
    document.curve_actions().set_plot_flags(
        {.just_ratios = o.justs || curve.plot_justs(),
         .selected_ratio = o.cursor.has_value() || curve.plot_selected_ratio(),
         .slope = o.derivative || curve.plot_slope()});
    if (o.cursor) view.move_cursor_line(*o.cursor);
    view.show_readout(false);
    view.set_ratio_axis(o.cents ? RatioAxis::Cents : RatioAxis::Linear);
    view.show_scale_ratios(document.tables().scale_ratios(), std::nullopt);
    view.show_scale_lines(o.scale_lines);
    // Every cusp drawn at its exact depth, as in the window once its search has answered.
    const MinimaQuery query = minima_query(document);
    const Result<std::vector<CurveMinimum>> found = find_minima(query);
    if (found) document.show_exact_minima(query, *found);
    if (o.minima) {
        if (!found) throw UsageError("--minima: " + found.error().description);
        view.show_minima(minima_markers(*found, o.min_prominence));
    }
    write(document, view, GraphFileFormat::Png, o.png_path, o.scale);
    write(document, view, GraphFileFormat::Svg, o.svg_path, o.scale);
    write(document, view, GraphFileFormat::Pdf, o.pdf_path, o.scale);
}

void run_plot(const PlotOptions& o) {
    check_options(o);
    // Drawn offscreen unless the caller chose a platform: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char program_name[] = "kelvara-cli";
    char* argv[] = {program_name, nullptr};
    const QApplication application(argc, argv);
    draw_and_write(o);
}

}  // namespace

void add_plot_command(CLI::App& app) {
    auto options = std::make_shared<PlotOptions>();
    CLI::App* plot = app.add_subcommand(
        "plot", "Draw the graph of a new or saved document as a PNG image, SVG or PDF drawing");
    plot->add_option("FILE", options->document, "A .kelvara document (default: a new one)");
    plot->add_option("--png", options->png_path, "PNG image file to write");
    plot->add_option("--svg", options->svg_path, "SVG drawing to write (vector)");
    plot->add_option("--pdf", options->pdf_path, "PDF document to write (vector, one page)");
    plot->add_option("--width", options->width, "Width in pixels or points (default 600)");
    plot->add_option("--height", options->height, "Height in pixels or points (default 400)");
    plot->add_flag("--justs", options->justs, "Mark and label the just-intonation ratios");
    plot->add_option("--cursor", options->cursor, "Draw the cursor line at this ratio");
    plot->add_flag("--derivative", options->derivative,
                   "Draw the curve's derivative and its zero line");
    plot->add_flag("--cents", options->cents, "Interval axis in cents (logarithmic in ratio)");
    plot->add_flag("--scale-lines", options->scale_lines,
                   "Draw every ratio of the document's scale as a labelled line");
    plot->add_flag("--minima", options->minima,
                   "Mark the curve's minima with their triangles, as the window does");
    plot->add_option("--min-prominence", options->min_prominence,
                     "With --minima: only minima at least this deep (default 0: all)");
    plot->add_option("--scale", options->scale, "PNG pixels per unit, 1 to 4 (2 as on HiDPI)");
    plot->callback([options] { run_plot(*options); });
}

}  // namespace kelvara::cli
