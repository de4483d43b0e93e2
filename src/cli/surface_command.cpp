// `kelvara-cli surface [FILE]`: the triad surface of a new or saved document's timbre (tones
// at 1, r and s with its fixed tones) over a square of (r, s), as CSV of the grid, a PNG
// image or an SVG drawing of its colour map, and with --minima its exact minima as CSV
// (r, s, value, prominence, just triad), deepest first.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/curve_options.h"
#include "cli/surface_output.h"
#include "document/document_minima.h"
#include "engine/surface_minima.h"
#include "persistence/atomic_file.h"

namespace kelvara::cli {
namespace {

struct SurfaceOptions {
    CurveOptions curve;
    SurfaceRange range;
    bool full = false;
    bool minima = false;
    double triad_tolerance_cents = kDefaultTriadToleranceCents;
    std::string csv_path, png_path, svg_path;
};

std::string shortest(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string grid_csv(const SurfaceGrid& grid) {
    std::string text = "r,s,value\n";
    const SurfaceRange& range = grid.range;
    for (int32_t i = 0; i < range.size; ++i)
        for (int32_t j = 0; j < range.size; ++j)
            if (range.sampled(range.r_at(i), range.s_at(j)))
                text += shortest(range.r_at(i)) + "," + shortest(range.s_at(j)) + "," +
                        shortest(grid.value(i, j)) + "\n";
    return text;
}

void print_minima(const std::vector<SurfaceMinimum>& minima) {
    std::printf("r,s,value,prominence,just\n");
    for (const SurfaceMinimum& m : minima)
        std::printf("%s,%s,%s,%s,%s\n", shortest(m.r).c_str(), shortest(m.s).c_str(),
                    shortest(m.value).c_str(), shortest(m.prominence).c_str(),
                    m.triad ? triad_text(*m.triad).c_str() : "");
}

void run_surface(SurfaceOptions options) {
    if (options.csv_path.empty() && options.png_path.empty() && options.svg_path.empty() &&
        !options.minima)
        throw UsageError("surface needs at least one of --csv, --png, --svg and --minima");
    options.range.upper_half = !options.full;
    Document doc;
    load_curve_document(doc, options.curve);
    const CurveDefinition curve = minima_query(doc).curve;
    const Result<SurfaceGrid> grid = sample_surface(curve, options.range);
    if (!grid) throw UsageError(refusal_text(grid.error()));
    std::vector<SurfaceMinimum> minima;
    if (options.minima || !options.png_path.empty() || !options.svg_path.empty()) {
        Result<std::vector<SurfaceMinimum>> found =
            find_surface_minima(curve, *grid, options.triad_tolerance_cents);
        if (!found) throw UsageError(refusal_text(found.error()));
        minima = std::move(*found);
    }
    if (!options.csv_path.empty())
        if (const Result<void> written = write_file_atomically(options.csv_path, grid_csv(*grid));
            !written)
            throw DocumentFileFailure(written.error());
    write_surface_pictures(*grid, minima, options.png_path, options.svg_path);
    if (options.minima) print_minima(minima);
}

}  // namespace

void add_surface_command(CLI::App& app) {
    auto options = std::make_shared<SurfaceOptions>();
    CLI::App* command = app.add_subcommand(
        "surface",
        "Compute the triad surface (tones at 1, r and s with the fixed tones) as CSV, a PNG "
        "image or an SVG drawing, and its exact minima (r,s,value,prominence,just)");
    add_timbre_and_tone_options(*command, options->curve, "take the timbre from");
    SurfaceRange& range = options->range;
    command->add_option("--rmin", range.r_min, "Lowest r (default 1)");
    command->add_option("--rmax", range.r_max, "Highest r (default 2)");
    command->add_option("--smin", range.s_min, "Lowest s (default 1)");
    command->add_option("--smax", range.s_max, "Highest s (default 2)");
    command->add_option("--size", range.size, "Points a side, 2 to 2048 (default 512)");
    command->add_flag("--full", options->full, "Sample the whole square, not only the half s >= r");
    command->add_option("--csv", options->csv_path, "CSV file of the grid to write (r,s,value)");
    command->add_option("--png", options->png_path, "PNG image of the colour map to write");
    command->add_option("--svg", options->svg_path, "SVG drawing of the colour map to write");
    command->add_flag("--minima", options->minima, "Print the exact minima as CSV, deepest first");
    command->add_option("--just-tolerance", options->triad_tolerance_cents,
                        "Cents within which a just triad names a minimum (default 10)");
    command->callback([options] { run_surface(*options); });
}

}  // namespace kelvara::cli
