// `kelvara-cli curve [FILE]`: the sampled curve of a new or saved document with the given
// settings applied, as CSV.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "cli/refusal_counter.h"
#include "document/document.h"

namespace kelvara::cli {
namespace {

struct CurveOptions {
    std::optional<std::string> file;
    std::optional<int32_t> type;
    std::optional<int32_t> overtones;
    std::optional<float> base;
    std::optional<std::vector<float>> ratios;
    std::optional<float> x_min;
    std::optional<float> x_max;
    std::optional<float> step;
};

void require_accepted(const RefusalCounter& counter, int before, const std::string& what) {
    counter.require_no_refusal_since(before, what + ": ");
}

// Applies the x range in an order whose intermediate range also fits the curve arrays.
void apply_x_range(Document& doc, RefusalCounter& counter, float x_min, float x_max) {
    const bool min_first = doc.curve().accepts_x_range(x_min, doc.curve().x_max());
    const int before = counter.beeps;
    if (min_first) {
        doc.set_bound(BoundField::XMin, x_min);
        doc.set_bound(BoundField::XMax, x_max);
    } else {
        doc.set_bound(BoundField::XMax, x_max);
        doc.set_bound(BoundField::XMin, x_min);
    }
    counter.require_no_refusal_since(before, "--xmin/--xmax: ");
}

void apply(Document& doc, RefusalCounter& counter, const CurveOptions& o) {
    int before = counter.beeps;
    if (o.type) doc.set_overtone_type(*o.type);
    require_accepted(counter, before, "--type");
    if (o.overtones) doc.set_number_of_overtones(*o.overtones);
    require_accepted(counter, before, "--overtones");
    if (o.base) doc.set_base_frequency(*o.base);
    require_accepted(counter, before, "--base");
    if (o.ratios) doc.set_fixed_tones(*o.ratios);
    require_accepted(counter, before, "--ratios");
    if (o.step) doc.set_step_size(*o.step);
    require_accepted(counter, before, "--step");
    apply_x_range(doc, counter, o.x_min.value_or(doc.curve().x_min()),
                  o.x_max.value_or(doc.curve().x_max()));
}

void print_curve(const Document& doc) {
    std::printf("x,y\n");
    for (int32_t i = 0; i < doc.curve().number_of_points(); ++i)
        std::printf("%.9g,%.9g\n", doc.curve().x_values()[i], doc.curve().y_values()[i]);
}

void run_curve(const CurveOptions& options) {
    Document doc;
    if (options.file) read_document(*options.file, doc);
    RefusalCounter counter;
    doc.attach_views(counter);
    apply(doc, counter, options);
    doc.sample_curve();
    print_curve(doc);
}

}  // namespace

void add_curve_command(CLI::App& app) {
    auto options = std::make_shared<CurveOptions>();
    CLI::App* curve =
        app.add_subcommand("curve", "Print the sampled dissonance curve as CSV (x,y)");
    curve->add_option("file,--file", options->file,
                      "A saved document to sample (default: a new one)");
    curve->add_option("--type", options->type, "Timbre type 0-5 (5: geometric harmonics)");
    curve->add_option("--overtones", options->overtones, "Partials per tone");
    curve->add_option("--base", options->base, "Base frequency in Hz");
    curve->add_option("--ratios", options->ratios, "Fixed-tone ratios, comma separated")
        ->delimiter(',')
        ->allow_extra_args(false);
    curve->add_option("--xmin", options->x_min, "Lowest interval ratio sampled");
    curve->add_option("--xmax", options->x_max, "Highest interval ratio sampled");
    curve->add_option("--step", options->step, "Distance between samples");
    curve->callback([options] { run_curve(*options); });
}

}  // namespace kelvara::cli
