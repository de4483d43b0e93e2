// The triad surface on its benchmark cases (engine/surface_benchmark.h), every thread of the
// machine at work, wall-clock time. Each reports `target_share` where the case has a target
// (at most 1 meets it), `processor_ms`, the processor time of all threads per surface, and
// `reference_runs`: that over one sampling run of the default curve measured just before in
// this process on one thread (the work, whatever else the machine is doing).
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>

#include "bench/kernel_benchmark_cases.h"
#include "bench/surface_benchmark.h"

namespace {

void surface(benchmark::State& state, const kelvara::SurfaceBenchmarkCase* c) {
    kelvara::BenchmarkCurve reference(kelvara::kernel_benchmark_cases().front(),
                                      kelvara::make_default_kernel());
    const double reference_start = kelvara::thread_processor_ms();
    constexpr int kReferenceRuns = 20;
    for (int run = 0; run < kReferenceRuns; ++run) reference.sample();
    const double reference_ms = (kelvara::thread_processor_ms() - reference_start) / kReferenceRuns;
    timespec processor_start{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &processor_start);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        auto grid = kelvara::sample_surface(c->curve, c->range);
        benchmark::DoNotOptimize(grid);
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        static_cast<double>(state.iterations());
    timespec processor_end{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &processor_end);
    const double processor_ms = ((processor_end.tv_sec - processor_start.tv_sec) * 1e3 +
                                 (processor_end.tv_nsec - processor_start.tv_nsec) * 1e-6) /
                                static_cast<double>(state.iterations());
    if (c->target_ms > 0.0) state.counters["target_share"] = ms / c->target_ms;
    state.counters["processor_ms"] = processor_ms;
    state.counters["reference_runs"] = processor_ms / reference_ms;
}

[[maybe_unused]] const bool registered = [] {
    for (const auto& c : kelvara::surface_benchmark_cases())
        benchmark::RegisterBenchmark(c.name.c_str(), surface, &c)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    return true;
}();

}  // namespace
