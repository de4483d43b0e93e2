// `kelvara-cli curve [FILE]`: the sampled curve of a new or saved document with the given
// settings applied, as CSV.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/curve_options.h"

namespace kelvara::cli {
namespace {

void print_curve(const Document& doc) {
    std::printf("x,y\n");
    for (int32_t i = 0; i < doc.curve().number_of_points(); ++i)
        std::printf("%.9g,%.9g\n", doc.curve().x_values()[i], doc.curve().y_values()[i]);
}

void run_curve(const CurveOptions& options) {
    Document doc;
    load_curve_document(doc, options);
    doc.sample_curve();
    print_curve(doc);
}

}  // namespace

void add_curve_command(CLI::App& app) {
    auto options = std::make_shared<CurveOptions>();
    CLI::App* curve =
        app.add_subcommand("curve", "Print the sampled dissonance curve as CSV (x,y)");
    add_curve_options(*curve, *options, "sample");
    curve->callback([options] { run_curve(*options); });
}

}  // namespace kelvara::cli
