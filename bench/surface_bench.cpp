// The triad surface on its benchmark cases (engine/surface_benchmark.h), every thread of the
// machine at work, wall-clock time. Each reports `target_share` where the case has a target
// (at most 1 meets it), `processor_ms`, the processor time of all threads per surface, and
// `reference_runs`: that over one sampling run of the default curve measured just before in
// this process on one thread (the work, whatever else the machine is doing). The rows
// "<case>-minima" time the exact minima of the case's sampled surface, once each.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>

#include "bench/kernel_benchmark_cases.h"
#include "bench/surface_benchmark.h"
#include "engine/surface_minima.h"

namespace {

double process_processor_ms() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

double reference_ms() {
    kelvara::BenchmarkCurve reference(kelvara::kernel_benchmark_cases().front(),
                                      kelvara::make_default_kernel());
    const double start = kelvara::thread_processor_ms();
    constexpr int kReferenceRuns = 20;
    for (int run = 0; run < kReferenceRuns; ++run) reference.sample();
    return (kelvara::thread_processor_ms() - start) / kReferenceRuns;
}

// Runs `work` per iteration and reports its processor time against the reference's.
template <typename Work>
void measure(benchmark::State& state, double target_ms, const Work& work) {
    const double reference = reference_ms();
    const double processor_start = process_processor_ms();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) work();
    const auto iterations = static_cast<double>(state.iterations());
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        iterations;
    const double processor_ms = (process_processor_ms() - processor_start) / iterations;
    if (target_ms > 0.0) state.counters["target_share"] = ms / target_ms;
    state.counters["processor_ms"] = processor_ms;
    state.counters["reference_runs"] = processor_ms / reference;
}

void surface(benchmark::State& state, const kelvara::SurfaceBenchmarkCase* c) {
    measure(state, c->target_ms, [c] {
        auto grid = kelvara::sample_surface(c->curve, c->range);
        benchmark::DoNotOptimize(grid);
    });
}

// The exact minima of a sampled surface, the sampling left out.
void surface_minima(benchmark::State& state, const kelvara::SurfaceBenchmarkCase* c) {
    const auto grid = kelvara::sample_surface(c->curve, c->range);
    if (!grid) return state.SkipWithError(grid.error().reason.c_str());
    size_t found = 0;
    measure(state, 0.0, [&] {
        auto minima = kelvara::find_surface_minima(c->curve, *grid);
        found = minima ? minima->size() : 0;
        benchmark::DoNotOptimize(minima);
    });
    state.counters["minima"] = static_cast<double>(found);
}

[[maybe_unused]] const bool registered = [] {
    for (const auto& c : kelvara::surface_benchmark_cases()) {
        benchmark::RegisterBenchmark(c.name.c_str(), surface, &c)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark((c.name + "-minima").c_str(), surface_minima, &c)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1);
    }
    return true;
}();

}  // namespace
