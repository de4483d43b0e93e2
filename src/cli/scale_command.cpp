// `kelvara-cli scale`: the ratios a preset of the scale table generates, as the table shows
// them (sorted), one per line as "ratio cents".
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/refusal_counter.h"
#include "document/document.h"
#include "scales/ratio_list.h"

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

}  // namespace

void add_scale_command(CLI::App& app) {
    CLI::App* scale = app.add_subcommand(
        "scale", "Print a generated scale, sorted, one \"ratio cents\" line per ratio");
    scale->require_subcommand(1);
    scale->add_subcommand("just", "The 29 just ratios from 1 to 4")->callback([] {
        print_preset(ScalePreset::JustRatios, {});
    });

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
}

}  // namespace kelvara::cli
