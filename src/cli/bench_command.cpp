// `kelvara-cli bench`: the literal dissonance kernel against the one documents use, on the
// shared benchmark cases, one line per case; then the minima search, the range-edit pipeline
// (resampling and drawing) and the bank measurement.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "bench/adaptive_tuning_benchmark.h"
#include "bench/kernel_benchmark_cases.h"
#include "bench/minima_benchmark.h"
#include "bench/recording_analysis_benchmark.h"
#include "bench/surface_benchmark.h"
#include "cli/commands.h"

namespace kelvara::cli {
namespace {

struct BenchOptions {
    std::string only_case;
    double min_seconds = 0.5;
};

// The rows "minima": every minimum of the worst case's exact curve, under each roughness
// model, against one fast sampling run of the same document.
void print_minima_bench_row(double min_seconds) {
    for (const auto& c : kernel_benchmark_cases()) {
        if (c.name != "worst" && c.name != "worst-min") continue;
        const Result<MinimaTiming> t = time_minima(c, min_seconds);
        if (!t) throw UsageError(refusal_text(t.error()));
        std::printf(
            "minima %.3f ms for %d minima of case %s = %.1f sampling runs of %.3f ms (target "
            "5 ms)\n",
            t->search_ms, t->minima, t->name.c_str(), t->ratio, t->sampling_ms);
        std::fflush(stdout);
    }
}

// The rows "surface" and "surface-worst": 512 x 512 of the triad surface on every thread,
// against one sampling run of the default curve.
void print_surface_bench_rows(const std::string& only_case, double min_seconds) {
    for (const auto& c : surface_benchmark_cases()) {
        if (!only_case.empty() && only_case != c.name) continue;
        const Result<SurfaceTiming> t = time_surface(c, min_seconds);
        if (!t) throw UsageError(refusal_text(t.error()));
        std::printf(
            "%s %.3f ms for %dx%d on %d threads, %.3f ms of processor time = %.0f sampling runs "
            "of %.3f ms",
            c.name.c_str(), t->wall_ms, c.range.size, c.range.size, t->threads, t->processor_ms,
            t->ratio, t->reference_ms);
        if (t->target_ms > 0.0) std::printf(" (target %.0f ms)", t->target_ms);
        std::printf("\n");
        std::fflush(stdout);
    }
}

// The row "recording": proposing a stretch over 10 s of 48 kHz stereo and measuring all of
// it, against the budget, with how far the partials found lie from those it was made of.
void print_recording_bench_row(double min_seconds) {
    const RecordingAnalysisTiming t = time_recording_analysis(min_seconds);
    std::printf(
        "recording %.3f ms for 10 s of 48 kHz stereo = %.2f of the %.0f ms budget; %d partials "
        "missing, %d extra, ratios within %.4f %%, amplitudes within %.2f dB\n",
        t.fastest_ms, t.fastest_ms / t.budget_ms, t.budget_ms, t.errors.missing, t.errors.extra,
        100.0 * t.errors.max_ratio_error, t.errors.max_amplitude_error_db);
    std::fflush(stdout);
}

// The row "adapt": a held chord of eight notes of 25 partials tuned to its nearest minimum,
// against one evaluation of its dissonance.
void print_adapt_bench_row(double min_seconds) {
    const Result<AdaptTiming> t = time_adaptation(min_seconds);
    if (!t) throw UsageError(refusal_text(t.error()));
    std::printf(
        "adapt %.1f us for %d notes of %d partials = %.0f dissonance evaluations of %.2f us, "
        "largest move %.2f cents (target %.0f us)\n",
        t->adapt_us, t->notes, t->partials, t->ratio, t->dissonance_us, t->moved_cents,
        kAdaptTargetUs);
    std::fflush(stdout);
}

void run_bench(const BenchOptions& options) {
    if (options.min_seconds < 0.0 || options.min_seconds > 60.0)
        throw UsageError("--min-time must be between 0 and 60 seconds");
    bool found = false;
    std::printf("case literal_ms fast_ms ratio max_relative_deviation\n");
    for (const auto& c : kernel_benchmark_cases()) {
        if (!options.only_case.empty() && c.name != options.only_case) continue;
        found = true;
        const KernelComparison r = compare_kernels(c, options.min_seconds);
        std::printf("%s %.4f %.4f %.1f %.3g\n", r.name.c_str(), r.literal_ms, r.fast_ms, r.ratio,
                    r.max_relative_deviation);
        std::fflush(stdout);
    }
    if (options.only_case.empty() || options.only_case == "minima") {
        print_minima_bench_row(options.min_seconds);
        found = true;
    }
    if (options.only_case.empty() || options.only_case.starts_with("surface")) {
        print_surface_bench_rows(options.only_case, options.min_seconds);
        found = true;
    }
    if (options.only_case.empty() || options.only_case == "recording") {
        print_recording_bench_row(options.min_seconds);
        found = true;
    }
#ifdef KELVARA_CLI_PLOT
    if (options.only_case.empty() || options.only_case == "pipeline") {
        print_pipeline_bench_row(options.min_seconds);
        found = true;
    }
#endif
    if (options.only_case.empty() || options.only_case == "adapt") {
        print_adapt_bench_row(options.min_seconds);
        found = true;
    }
    if (options.only_case.empty() || options.only_case == "bank-tuning") {
        print_bank_tuning_bench_row(options.min_seconds);
        found = true;
    }
    if (!found) throw UsageError("no benchmark case named " + options.only_case);
}

}  // namespace

void add_bench_command(CLI::App& app) {
    auto options = std::make_shared<BenchOptions>();
    CLI::App* bench = app.add_subcommand(
        "bench", "Time the literal and the fast dissonance kernel on the benchmark cases");
    bench->add_option("--case", options->only_case,
                      "Only this case (default, worst, default-min, worst-min: the minimum "
                      "roughness model, bar: a custom timbre of free-bar modes; minima times the "
                      "minima search on the worst cases; surface and surface-worst time 512x512 "
                      "of the triad surface; recording times measuring a timbre from "
                      "10 s of 48 kHz stereo; pipeline a range edit of the worst case resampled "
                      "and drawn; adapt times tuning a held chord of eight notes; bank-tuning "
                      "times measuring the default bank)");
    bench->add_option("--min-time", options->min_seconds,
                      "Seconds to repeat each kernel's run for (the fastest run counts)");
    bench->callback([options] { run_bench(*options); });
}

}  // namespace kelvara::cli
