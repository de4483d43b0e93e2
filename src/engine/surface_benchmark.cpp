#include "engine/surface_benchmark.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "engine/kernel_benchmark_cases.h"
#include "engine/parallel_tasks.h"

namespace kelvara {
namespace {

double wall_ms() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
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
    SurfaceTiming timing{
        c.name, parallel_thread_count(c.range.size, threads), INFINITY, INFINITY, 0.0, c.target_ms};
    const double deadline = wall_ms() + min_seconds * 1e3;
    do {
        const double start = wall_ms();
        const Result<SurfaceGrid> grid = sample_surface(c.curve, c.range, nullptr, threads);
        timing.wall_ms = std::min(timing.wall_ms, wall_ms() - start);
        if (!grid) return grid.error();
        for (int run = 0; run < 8; ++run) {
            const double begin = thread_processor_ms();
            reference.sample();
            timing.reference_ms = std::min(timing.reference_ms, thread_processor_ms() - begin);
        }
    } while (wall_ms() < deadline);
    timing.ratio = timing.wall_ms / timing.reference_ms;
    return timing;
}

}  // namespace kelvara
