// `kelvara-cli new OUT.kelvara [settings]`: writes a document with a new document's values,
// changed by the settings given. The settings are checked against the same limits as a file
// that is read. Without --ymin and --ymax the dissonance range is fitted to the curve, as a
// new window fits it, so the file never opens as a flat line along the bottom.
#include <CLI/CLI.hpp>
#include <optional>

#include "cli/commands.h"
#include "cli/curve_options.h"
#include "cli/document_file_arguments.h"
#include "document/document.h"
#include "engine/prominence_threshold.h"
#include "persistence/atomic_file.h"
#include "persistence/document_file.h"

namespace kelvara::cli {
namespace {

struct NewOptions {
    std::string path;
    std::optional<int32_t> type;
    std::optional<int32_t> overtones;
    std::optional<std::string> partials;
    std::optional<std::string> model;
    std::optional<double> base;
    std::optional<std::vector<float>> ratios;
    std::optional<std::vector<float>> scale;
    std::optional<double> step;
    std::optional<float> x_min, x_max, y_min, y_max;
    std::optional<int32_t> volume;
    std::vector<std::string> chords;
    bool bank_tuning = false;  // the document plays the bank's own tuning
    bool cents_axis = false;
    bool scale_steps = false;
    std::optional<std::string> min_prominence;
    std::optional<double> just_tolerance;
    std::optional<int32_t> just_odd_limit;
};

GraphChoices graph_choices_from(const NewOptions& o) {
    GraphChoices g{.axis = o.cents_axis ? RatioAxis::Cents : RatioAxis::Linear,
                   .scale_steps = o.scale_steps};
    if (o.min_prominence) {
        const auto threshold = parse_prominence_threshold(*o.min_prominence);
        if (!threshold)
            throw UsageError(
                "--min-prominence must be a number 0 or more, or a percentage of "
                "the curve's range from 0% to 100%");
        g.prominence = *threshold;
    }
    if (o.just_tolerance) g.just_tolerance_cents = *o.just_tolerance;
    if (o.just_odd_limit) g.just_odd_limit = *o.just_odd_limit;
    return g;
}

template <typename T>
void set_if(const std::optional<T>& option, auto& field) {
    if (option) field = *option;
}

DocumentFileState state_from(const NewOptions& o) {
    DocumentFileState s;
    set_if(o.type, s.overtone_type);
    set_if(o.overtones, s.number_of_overtones);
    if (o.partials) {
        if (o.overtones)
            throw UsageError("--overtones: a custom timbre has as many overtones as partials");
        s.custom_partials = parse_partials_argument(*o.partials);
        s.overtone_type = CustomPartials;
        s.number_of_overtones = static_cast<int32_t>(s.custom_partials.size());
    }
    if (o.model) s.roughness_model = *roughness_model_named(*o.model);
    set_if(o.base, s.base_frequency);
    set_if(o.ratios, s.dissonance_ratios);
    set_if(o.scale, s.scale_ratios);
    set_if(o.step, s.step_size);
    set_if(o.x_min, s.x_min);
    set_if(o.x_max, s.x_max);
    set_if(o.y_min, s.y_min);
    set_if(o.y_max, s.y_max);
    set_if(o.volume, s.volume);
    s.pitch_true = !o.bank_tuning;
    s.graph = graph_choices_from(o);
    for (const std::string& argument : o.chords) {
        auto [key, chord] = parse_chord_argument(argument);
        if (!s.chords.emplace(key, std::move(chord.tones)).second)
            throw UsageError("--chord key " + std::to_string(key) + " is given twice");
        if (!chord.root_form.empty()) s.chord_root_forms[key] = std::move(chord.root_form);
        s.midi_note_numbers.push_back(key);
    }
    return s;
}

// The state with its dissonance range fitted to its own curve.
DocumentFileState fitted(const DocumentFileState& state) {
    Document document;
    if (const Result<void> applied = document.apply_state(state); !applied)
        throw UsageError(refusal_text(applied.error()));
    document.sample_curve();
    document.curve_actions().fit_y_range();
    DocumentFileState with_range = state;
    with_range.y_min = document.curve().y_min();
    with_range.y_max = document.curve().y_max();
    return with_range;
}

void run_new(const NewOptions& options) {
    DocumentFileState state = state_from(options);
    if (const Result<void> valid = validate_document_state(state); !valid)
        throw UsageError(valid.error().located_detail());
    if (!options.y_min && !options.y_max) state = fitted(state);
    if (const Result<void> written =
            write_file_atomically(options.path, encode_document_state(state));
        !written)
        throw DocumentFileFailure(written.error());
}

}  // namespace

void add_new_command(CLI::App& app) {
    auto o = std::make_shared<NewOptions>();
    CLI::App* command = app.add_subcommand("new", "Write a new document file");
    command->add_option("file", o->path, "The document to write (.kelvara)")->required();
    add_type_option(*command, o->type);
    command->add_option("--overtones", o->overtones, "Partials per tone");
    add_timbre_options(*command, o->partials, o->model);
    command->add_option("--base", o->base, "Base frequency in Hz");
    command->add_option("--ratios", o->ratios, "Fixed-tone ratios, comma separated")
        ->delimiter(',')
        ->allow_extra_args(false);
    command->add_option("--scale", o->scale, "Scale ratios, comma separated")
        ->delimiter(',')
        ->allow_extra_args(false);
    command->add_option("--step", o->step, "Distance between samples");
    command->add_option("--xmin", o->x_min, "Lowest interval ratio sampled");
    command->add_option("--xmax", o->x_max, "Highest interval ratio sampled");
    command->add_option("--ymin", o->y_min,
                        "Lowest dissonance plotted (default: fitted to the curve)");
    command->add_option("--ymax", o->y_max,
                        "Highest dissonance plotted (default: fitted to the curve)");
    command->add_option("--volume", o->volume, "Synthesizer volume 0-127");
    command->add_flag("--bank-tuning", o->bank_tuning,
                      "Play the bank's own tuning instead of pitch-true playback");
    command->add_flag("--cents-axis", o->cents_axis, "Lay the ratio axis out in cents");
    command->add_flag("--scale-steps", o->scale_steps, "Draw the scale's steps on the graph");
    command->add_option("--min-prominence", o->min_prominence,
                        "The Minima panel's threshold: a percentage of the curve's range (3%, "
                        "the default) or a value in its units (0.05)");
    command->add_option("--just-tolerance", o->just_tolerance,
                        "Cents within which a just ratio names a minimum (0 to 50; default 10)");
    command->add_option("--just-odd-limit", o->just_odd_limit,
                        "Name minima only by ratios within this odd limit (default 0: any)");
    command
        ->add_option("--chord", o->chords,
                     "KEY=CHORD: the chord of a MIDI key, frequencies (60=220,275,330) or "
                     "a root and intervals (60=220@1,5/4,3/2) (repeatable)")
        ->allow_extra_args(false);
    command->callback([o] { run_new(*o); });
}

}  // namespace kelvara::cli
