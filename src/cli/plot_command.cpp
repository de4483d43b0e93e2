// `kelvara-cli plot [FILE.kelvara]`: the graph of a new or saved document drawn offscreen by
// the window's own graph view, with the colours the window gives it, saved as a PNG.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QImage>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "document/document.h"
#include "view/graph_widget.h"

namespace kelvara::cli {
namespace {

struct PlotOptions {
    std::string document;  // a saved document; a new one when empty
    std::string png_path;
    int width = 600;
    int height = 400;
    bool justs = false;
    std::optional<float> cursor;
    bool derivative = false;
    int scale = 1;
};

// Image pixels per side: large enough for a print, small enough to fit in memory.
constexpr int kMaxSide = 8000;
// Image pixels per view unit, as on a HiDPI screen.
constexpr int kMaxScale = 4;

void check_size(const PlotOptions& o) {
    if (o.scale < 1 || o.scale > kMaxScale)
        throw UsageError("--scale must lie between 1 and " + std::to_string(kMaxScale));
    if (o.width < 1 || o.width * o.scale > kMaxSide || o.height < 1 ||
        o.height * o.scale > kMaxSide)
        throw UsageError("--width and --height times --scale must lie between 1 and " +
                         std::to_string(kMaxSide));
}

QImage render_graph(const PlotOptions& o) {
    // The view is declared first so that it outlives the document, which takes its arrays
    // back from the view when it goes.
    GraphWidget view;
    view.resize(o.width, o.height);
    Document document;
    if (!o.document.empty()) read_document(o.document, document);
    NullDocumentView no_fields;
    document.attach_views(view, no_fields);
    document.show_all();
    // The options switch layers on; what a saved document shows stays shown.
    const bool justs = o.justs || document.curve().plot_justs();
    const bool cursor = o.cursor.has_value() || document.curve().plot_selected_ratio();
    const bool derivative = o.derivative || document.curve().plot_dy();
    if (justs != document.curve().plot_justs() ||
        cursor != document.curve().plot_selected_ratio() ||
        derivative != document.curve().plot_dy())
        document.set_plot_flags(justs, cursor, derivative);
    if (o.cursor) view.move_cursor_line(*o.cursor);
    QImage image(o.width * o.scale, o.height * o.scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(o.scale);
    image.fill(Qt::transparent);
    view.render(&image);
    return image;
}

void run_plot(const PlotOptions& o) {
    check_size(o);
    // Drawn offscreen unless the caller chose a platform: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char program_name[] = "kelvara-cli";
    char* argv[] = {program_name, nullptr};
    const QApplication application(argc, argv);
    const QImage image = render_graph(o);
    if (!image.save(QString::fromStdString(o.png_path), "PNG"))
        throw std::runtime_error("cannot write " + o.png_path);
}

}  // namespace

void add_plot_command(CLI::App& app) {
    auto options = std::make_shared<PlotOptions>();
    CLI::App* plot =
        app.add_subcommand("plot", "Draw the graph of a new or saved document as a PNG image");
    plot->add_option("FILE", options->document, "A .kelvara document (default: a new one)");
    plot->add_option("--png", options->png_path, "Image file to write")->required();
    plot->add_option("--width", options->width, "Width in pixels (default 600)");
    plot->add_option("--height", options->height, "Height in pixels (default 400)");
    plot->add_flag("--justs", options->justs, "Mark the just-intonation ratios");
    plot->add_option("--cursor", options->cursor, "Draw the cursor line at this ratio");
    plot->add_flag("--derivative", options->derivative, "Draw the curve's derivative");
    plot->add_option("--scale", options->scale, "Image pixels per unit, 1 to 4 (2 as on HiDPI)");
    plot->callback([options] { run_plot(*options); });
}

}  // namespace kelvara::cli
