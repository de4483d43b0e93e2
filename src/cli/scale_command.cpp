// `kelvara-cli scale`: the ratios a preset of the scale table generates, as the table shows
// them (sorted), one per line as "ratio cents"; and the scales generated from a period and a
// generator or from a harmonic segment, one degree per line as "ratio cents just error" with
// the step pattern, optionally written as a scale file for `scl import`; and a document's
// scale table against just the same way.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "cli/refusal_counter.h"
#include "document/document.h"
#include "engine/just_ratio.h"
#include "persistence/atomic_file.h"
#include "persistence/scala_scale_file.h"
#include "scales/decimal_text.h"
#include "scales/generated_scale.h"
#include "scales/ratio_list.h"
#include "scales/ratio_text.h"

namespace kelvara::cli {
namespace {

struct ScaleOptions {
    int32_t tet = 12;
    float base = 2.0f;
};

void print_preset(ScalePreset preset, ScaleGeneratorFields fields) {
    Document doc;
    RefusalCounter counter;
    doc.attach_views(counter);
    doc.table_actions().add_scale_preset(preset, fields);
    counter.require_no_refusal_since(0, "");
    for (const float ratio : doc.tables().scale_ratios())
        std::printf("%.8g %.3f\n", static_cast<double>(ratio),
                    static_cast<double>(cents_of_ratio(ratio)));
}

struct GeneratedScaleOptions {
    std::string period = "2/1";
    std::string generator = "3/2";
    int32_t size = 7;
    int32_t generators_down = 0;
    int32_t largest_mos_size = 60;
    int32_t lowest = 8;
    int32_t highest = 16;
    std::string scl_path;
};

ScalePitch pitch_option(const std::string& text, const char* option) {
    Result<ScalePitch> pitch = parse_pitch_text(text);
    if (!pitch) throw UsageError(std::string(option) + ": " + pitch.error().description);
    return *pitch;
}

// A degree as a ratio: p/q when exact, else the decimal ratio.
std::string ratio_text_of(const ScalePitch& pitch) {
    if (const auto exact = pitch.exact_ratio())
        return std::to_string(exact->numerator) + "/" + std::to_string(exact->denominator);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", pitch.ratio());
    return buffer;
}

// One line: the ratio as written, its cents, its just name and the error against it ("-" when
// no ratio is within the naming's tolerance).
void print_against_just(const std::string& ratio_text, double ratio, const JustNaming& naming) {
    const std::optional<JustRatio> just = name_just_ratio(ratio, naming);
    const std::string just_text =
        just ? std::to_string(just->numerator) + "/" + std::to_string(just->denominator) : "-";
    char cents_off[32] = "-";
    // No minus sign on an error that rounds to 0.
    if (just)
        std::snprintf(cents_off, sizeof cents_off, "%.3f",
                      std::fabs(just->cents_off) < 0.0005 ? 0.0 : just->cents_off);
    std::printf("%s %.3f %s %s\n", ratio_text.c_str(), 1200.0 * std::log2(ratio), just_text.c_str(),
                cents_off);
}

// Each degree against just, then the step pattern; the scale file too, when asked for.
void print_generated(const Result<GeneratedScale>& scale, const std::string& description,
                     const std::string& scl_path) {
    if (!scale) throw UsageError(scale.error().description);
    for (const ScalePitch& degree : scale->degrees)
        print_against_just(ratio_text_of(degree), degree.ratio(),
                           {.max_denominator = kScaleStepMaxJustDenominator});
    std::printf("steps %s\n", scale->step_pattern.c_str());
    if (scl_path.empty()) return;
    const ScalaScale file{description, scale->degrees};
    if (const Result<void> written = write_file_atomically(scl_path, write_scala_scale(file));
        !written)
        throw DocumentFileFailure(written.error());
}

struct JustErrorOptions {
    std::string document;
    JustNaming naming{.max_denominator = kScaleStepMaxJustDenominator};
};

// The errors against just of a saved document's scale table, one row a line as the table
// shows them (ratio as p/q when a small fraction is exactly it).
void print_just_errors(const JustErrorOptions& options) {
    Document doc;
    read_document(options.document, doc);
    for (const float ratio : doc.tables().scale_ratios()) {
        const std::optional<ScalePitch> pitch = pitch_of_stored_ratio(ratio);
        const std::string text =
            pitch && pitch->is_exact_ratio() ? ratio_text_of(*pitch) : number_text(ratio);
        print_against_just(text, static_cast<double>(ratio), options.naming);
    }
}

void add_just_errors_command(CLI::App& scale) {
    auto options = std::make_shared<JustErrorOptions>();
    CLI::App* errors = scale.add_subcommand(
        "errors",
        "Each ratio of a document's scale table against just: \"ratio cents just error\"");
    errors->add_option("FILE", options->document, "The document (.kelvara)")->required();
    errors->add_option("--just-tolerance", options->naming.tolerance_cents,
                       "Cents within which a just ratio names a step (default 10)");
    errors->add_option("--just-odd-limit", options->naming.odd_limit,
                       "Name steps only by ratios within this odd limit (default 0: any)");
    errors->callback([options] {
        if (!(options->naming.tolerance_cents >= 0.0) || options->naming.odd_limit < 0 ||
            options->naming.odd_limit > kMaxJustOddLimit)
            throw UsageError("--just-tolerance must be 0 or more and --just-odd-limit 0 to " +
                             std::to_string(kMaxJustOddLimit));
        print_just_errors(*options);
    });
}

void add_generated_scale_commands(CLI::App& scale) {
    auto options = std::make_shared<GeneratedScaleOptions>();
    CLI::App* mos = scale.add_subcommand(
        "mos",
        "A scale from a period and a generator (ratio or cents), sorted within the period, with "
        "its step pattern and the sizes at which the chain is a moment-of-symmetry scale");
    mos->add_option("--period", options->period, "Period, a ratio or cents (default 2/1)");
    mos->add_option("--generator", options->generator,
                    "Generator, a ratio (3/2) or cents (696.578c) (default 3/2)");
    mos->add_option("--size", options->size, "Notes per period, 1/1 included (default 7)");
    mos->add_option("--down", options->generators_down,
                    "How many of them lie generators below 1/1 (default 0)");
    mos->add_option("--mos-up-to", options->largest_mos_size,
                    "List the moment-of-symmetry sizes up to this size (default 60)");
    mos->add_option("--scl", options->scl_path, "Also write the scale as a scale file");
    mos->callback([options] {
        const RankTwoChain chain{pitch_option(options->period, "--period"),
                                 pitch_option(options->generator, "--generator"), options->size,
                                 options->generators_down};
        print_generated(rank_two_scale(chain),
                        "Period " + options->period + ", generator " + options->generator + ", " +
                            std::to_string(options->size) + " notes",
                        options->scl_path);
        std::printf("mos_sizes");
        for (const int32_t n :
             moment_of_symmetry_sizes(chain.period, chain.generator, options->largest_mos_size))
            std::printf(" %d", n);
        std::printf("\n");
    });

    for (const bool mirrored : {false, true}) {
        CLI::App* segment = scale.add_subcommand(
            mirrored ? "subharmonics" : "harmonics",
            mirrored ? "Subharmonics: HIGH over HIGH down to LOW, reduced to the period"
                     : "Harmonics LOW to HIGH over LOW, reduced to the period");
        segment->add_option("LOW", options->lowest, "Lowest harmonic")->required();
        segment->add_option("HIGH", options->highest, "Highest harmonic")->required();
        segment->add_option("--period", options->period, "Period, a ratio or cents (default 2/1)");
        segment->add_option("--scl", options->scl_path, "Also write the scale as a scale file");
        segment->callback([options, mirrored] {
            const ScalePitch period = pitch_option(options->period, "--period");
            const auto generated =
                mirrored ? subharmonic_segment(options->lowest, options->highest, period)
                         : harmonic_segment(options->lowest, options->highest, period);
            print_generated(generated,
                            std::string(mirrored ? "Subharmonics " : "Harmonics ") +
                                std::to_string(options->lowest) + " to " +
                                std::to_string(options->highest),
                            options->scl_path);
        });
    }
}

}  // namespace

void add_scale_command(CLI::App& app) {
    CLI::App* scale = app.add_subcommand(
        "scale", "Print a generated scale, sorted, one \"ratio cents\" line per ratio");
    scale->require_subcommand(1);
    scale->add_subcommand("just", "The 39 just ratios from 1 to 4: every fraction of odd limit 9")
        ->callback([] { print_preset(ScalePreset::JustRatios, {}); });

    auto tet = std::make_shared<ScaleOptions>();
    CLI::App* equal = scale->add_subcommand(
        "tet",
        "Equal division of BASE into N steps (N at least 1, BASE at least 1.1), up to the "
        "first ratio at or above 4");
    equal->add_option("N", tet->tet, "Number of divisions")->required();
    equal->add_option("BASE", tet->base, "Interval divided (nothing below 1.1)")->required();
    equal->callback([tet] { print_preset(ScalePreset::FromFields, {tet->tet, tet->base}); });

    auto sixteen = std::make_shared<ScaleOptions>();
    CLI::App* h16 = scale->add_subcommand("harmonic16", "BASE times 16/16 .. 32/16, 17/8 .. 32/8");
    h16->add_option("BASE", sixteen->base, "Lowest ratio")->required();
    h16->callback([sixteen] {
        print_preset(ScalePreset::SixteenStepHarmonics, {0, sixteen->base});
    });

    auto eight = std::make_shared<ScaleOptions>();
    CLI::App* h8 = scale->add_subcommand("harmonic8", "BASE times 8/8 .. 16/8, 9/4 .. 16/4");
    h8->add_option("BASE", eight->base, "Lowest ratio")->required();
    h8->callback([eight] { print_preset(ScalePreset::EightStepHarmonics, {0, eight->base}); });

    add_generated_scale_commands(*scale);
    add_just_errors_command(*scale);
}

}  // namespace kelvara::cli
