#include "cli/curve_options.h"

#include <CLI/CLI.hpp>
#include <map>

#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "cli/refusal_counter.h"

namespace kelvara::cli {
namespace {

void require_accepted(const RefusalCounter& counter, int before, const std::string& what) {
    counter.require_no_refusal_since(before, what + ": ");
}

// Applies both ends at once, so that a refusal speaks of the range typed (2 to 1), not of
// one end against the other's old value.
void apply_x_range(Document& doc, RefusalCounter& counter, float x_min, float x_max) {
    const int before = counter.beeps;
    const Curve& curve = doc.curve();
    doc.curve_actions().set_graph_ranges(x_min, x_max, curve.y_min(), curve.y_max());
    counter.require_no_refusal_since(before, "--xmin/--xmax: ");
}

void apply(Document& doc, RefusalCounter& counter, const CurveOptions& o) {
    int before = counter.beeps;
    if (o.type) doc.curve_actions().set_overtone_type(*o.type);
    require_accepted(counter, before, "--type");
    if (o.partials) doc.timbre_actions().set_custom_partials(parse_partials_argument(*o.partials));
    require_accepted(counter, before, "--partials");
    if (o.overtones) doc.curve_actions().set_number_of_overtones(*o.overtones);
    require_accepted(counter, before, "--overtones");
    if (o.model) doc.timbre_actions().set_roughness_model(*roughness_model_named(*o.model));
    require_accepted(counter, before, "--model");
    if (o.base) doc.curve_actions().set_base_frequency(*o.base);
    require_accepted(counter, before, "--base");
    if (o.ratios) doc.table_actions().set_fixed_tones(*o.ratios);
    require_accepted(counter, before, "--ratios");
    if (o.step) doc.curve_actions().set_step_size(*o.step);
    require_accepted(counter, before, "--step");
    apply_x_range(doc, counter, o.x_min.value_or(doc.curve().x_min()),
                  o.x_max.value_or(doc.curve().x_max()));
}

}  // namespace

void add_type_option(CLI::App& command, std::optional<int32_t>& type) {
    // A name stands for its number; anything else goes on as typed, so that a number outside
    // 0-5 meets the document's own refusal.
    const std::map<std::string, std::string> names = {
        {"sine", "0"},   {"equal", "1"},   {"odd", "2"},
        {"shaped", "3"}, {"inverse", "4"}, {"geometric", "5"},
    };
    command
        .add_option("--type", type,
                    "Timbre type 0-6 (see the manual) or a name: sine, equal, odd, shaped, "
                    "inverse, geometric")
        ->type_name("N|NAME")
        ->transform(CLI::Transformer(names, CLI::ignore_case).description(""));
}

void add_timbre_options(CLI::App& command, std::optional<std::string>& partials,
                        std::optional<std::string>& model) {
    command.add_option("--partials", partials,
                       "A custom timbre: RATIO:AMPLITUDE of each partial, comma separated "
                       "(e.g. 1:1,2.756:0.5,5.404:0.25)");
    command.add_option("--model", model, "Roughness model: product (default) or min")
        ->check(CLI::IsMember({"product", "min"}));
}

void add_timbre_and_tone_options(CLI::App& command, CurveOptions& options,
                                 const std::string& verb) {
    command.add_option("file,--file", options.file,
                       "A saved document to " + verb + " (default: a new one)");
    add_type_option(command, options.type);
    command.add_option("--overtones", options.overtones, "Partials per tone");
    add_timbre_options(command, options.partials, options.model);
    command.add_option("--base", options.base, "Base frequency in Hz");
    command.add_option("--ratios", options.ratios, "Fixed-tone ratios, comma separated")
        ->delimiter(',')
        ->allow_extra_args(false);
}

void add_curve_options(CLI::App& command, CurveOptions& options, const std::string& verb) {
    add_timbre_and_tone_options(command, options, verb);
    command.add_option("--xmin", options.x_min, "Lowest interval ratio sampled");
    command.add_option("--xmax", options.x_max, "Highest interval ratio sampled");
    command.add_option("--step", options.step, "Distance between samples");
}

void load_curve_document(Document& document, const CurveOptions& options) {
    if (options.file) read_document(*options.file, document);
    RefusalCounter counter;
    document.attach_views(counter);
    apply(document, counter, options);
    document.detach_views();
}

}  // namespace kelvara::cli
