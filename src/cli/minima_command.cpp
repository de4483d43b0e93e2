// `kelvara-cli minima [FILE]`: every local minimum of the exact curve of a new or saved
// document with the curve options applied, independent of its step, as CSV or JSON: ratio,
// cents, curve value, prominence, whether it is a cusp, the nearest just ratio and its
// distance in cents. Ratios and values are written with the fewest digits that read back to
// the same double.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/curve_options.h"
#include "document/document_minima.h"
#include "engine/prominence_threshold.h"

namespace kelvara::cli {
namespace {

struct MinimaOptions {
    CurveOptions curve;
    std::string min_prominence = "0%";
    JustNaming just{};
    std::string format = "csv";
};

std::string shortest(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

// Three decimals, and no minus sign on a value that rounds to 0.
std::string fixed3(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", std::fabs(value) < 0.0005 ? 0.0 : value);
    return buffer;
}

std::string just_text(const CurveMinimum& m) {
    return m.just ? std::to_string(m.just->numerator) + "/" + std::to_string(m.just->denominator)
                  : std::string();
}

void print_csv(const std::vector<CurveMinimum>& minima) {
    std::printf("ratio,cents,value,prominence,cusp,just,just_cents\n");
    for (const CurveMinimum& m : minima)
        std::printf("%s,%s,%s,%s,%s,%s,%s\n", shortest(m.ratio).c_str(), fixed3(m.cents).c_str(),
                    shortest(m.value).c_str(), shortest(m.prominence).c_str(),
                    m.is_cusp ? "true" : "false", just_text(m).c_str(),
                    m.just ? fixed3(m.just->cents_off).c_str() : "");
}

void print_json(const std::vector<CurveMinimum>& minima) {
    std::printf("[");
    for (size_t i = 0; i < minima.size(); ++i) {
        const CurveMinimum& m = minima[i];
        const std::string just = m.just ? "\"" + just_text(m) + "\"" : "null";
        const std::string just_cents = m.just ? fixed3(m.just->cents_off) : "null";
        std::printf(
            "%s\n  {\"ratio\": %s, \"cents\": %s, \"value\": %s, \"prominence\": %s, "
            "\"cusp\": %s, \"just\": %s, \"just_cents\": %s}",
            i ? "," : "", shortest(m.ratio).c_str(), fixed3(m.cents).c_str(),
            shortest(m.value).c_str(), shortest(m.prominence).c_str(), m.is_cusp ? "true" : "false",
            just.c_str(), just_cents.c_str());
    }
    std::printf(minima.empty() ? "]\n" : "\n]\n");
}

void run_minima(const MinimaOptions& options) {
    const std::optional<ProminenceThreshold> threshold =
        parse_prominence_threshold(options.min_prominence);
    if (!threshold)
        throw UsageError(
            "--min-prominence must be a number 0 or more, or a percentage of the curve's range "
            "from 0% to 100%");
    Document doc;
    load_curve_document(doc, options.curve);
    const Result<std::vector<CurveMinimum>> found = find_minima(minima_query(doc, options.just));
    if (!found) throw UsageError(refusal_text(found.error()));
    std::vector<CurveMinimum> minima;
    for (const CurveMinimum& m : *found)
        if (threshold->admits(m)) minima.push_back(m);
    if (options.format == "json")
        print_json(minima);
    else
        print_csv(minima);
}

}  // namespace

void add_minima_command(CLI::App& app) {
    auto options = std::make_shared<MinimaOptions>();
    CLI::App* command = app.add_subcommand(
        "minima",
        "Print every local minimum of the exact dissonance curve, with its prominence and "
        "nearest just ratio, as CSV (ratio,cents,value,prominence,cusp,just,just_cents) or JSON");
    add_curve_options(*command, options->curve, "search");
    command->add_option("--min-prominence", options->min_prominence,
                        "Only minima at least this prominent: a percentage of the curve's range "
                        "(5%) or a value in the curve's units (0.05); default 0%");
    command->add_option("--just-tolerance", options->just.tolerance_cents,
                        "Cents within which a just ratio (denominator up to 32) names a minimum: "
                        "the simplest one, but an exact match (within 0.01 cent) first "
                        "(default 10)");
    command->add_option("--just-odd-limit", options->just.odd_limit,
                        "Name minima only by ratios within this odd limit, the smallest limit "
                        "first (default 0: any ratio, the smallest Tenney height first)");
    command->add_option("--format", options->format, "csv (default) or json")
        ->check(CLI::IsMember({"csv", "json"}));
    command->callback([options] { run_minima(*options); });
}

}  // namespace kelvara::cli
