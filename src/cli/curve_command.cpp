// `kelvara-cli curve [FILE]`: the sampled curve of a new or saved document with the given
// settings applied, as CSV.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/curve_options.h"
#include "scales/decimal_text.h"

namespace kelvara::cli {
namespace {

// Each value as the shortest text that reads back as the same float (1.1, not 1.10000002).
void print_curve(const Document& doc) {
    std::string text = "x,y\n";
    for (int32_t i = 0; i < doc.curve().number_of_points(); ++i)
        text += number_text(doc.curve().x_values()[i]) + ',' +
                number_text(doc.curve().y_values()[i]) + '\n';
    std::fputs(text.c_str(), stdout);
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
