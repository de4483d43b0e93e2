#include "bench/surface_benchmark.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#include "bench/kernel_benchmark_cases.h"
#include "engine/parallel_tasks.h"

namespace kelvara {
namespace {

double wall_ms() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double process_processor_ms() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

}  // namespace

const std::vector<SurfaceBenchmarkCase>& surface_benchmark_cases() {
    static const std::vector<SurfaceBenchmarkCase> cases = [] {
        const KernelBenchmarkCase& worst = kernel_benchmark_cases()[1];
        return std::vector<SurfaceBenchmarkCase>{
            {"surface", document_curve_definition(Timbre{}, std::vector{1.0f}), {}, 100.0},
            {"surface-worst",
             document_curve_definition(Timbre{GeometricHarmonics, kMaxCurvePartials, 440.0},
                                       worst.dissonance_ratios),
             {},
             0.0},
        };
    }();
    return cases;
}

Result<SurfaceTiming> time_surface(const SurfaceBenchmarkCase& c, double min_seconds,
                                   int32_t threads) {
    BenchmarkCurve reference(kernel_benchmark_cases().front(), make_default_kernel());
    SurfaceTiming timing{.name = c.name,
                         .threads = parallel_thread_count(c.range.size, threads),
                         .wall_ms = INFINITY,
                         .processor_ms = INFINITY,
                         .reference_ms = INFINITY,
                         .target_ms = c.target_ms};
    const double deadline = wall_ms() + min_seconds * 1e3;
    do {
        const double start = wall_ms(), processor_start = process_processor_ms();
        const Result<SurfaceGrid> grid = sample_surface(c.curve, c.range, nullptr, threads);
        timing.wall_ms = std::min(timing.wall_ms, wall_ms() - start);
        timing.processor_ms =
            std::min(timing.processor_ms, process_processor_ms() - processor_start);
        if (!grid) return grid.error();
        for (int run = 0; run < 8; ++run) {
            const double begin = thread_processor_ms();
            reference.sample();
            timing.reference_ms = std::min(timing.reference_ms, thread_processor_ms() - begin);
        }
    } while (wall_ms() < deadline);
    timing.ratio = timing.processor_ms / timing.reference_ms;
    return timing;
}

}  // namespace kelvara
