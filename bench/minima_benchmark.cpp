#include "bench/minima_benchmark.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/curve_minima.h"

namespace kelvara {

Result<MinimaTiming> time_minima(const KernelBenchmarkCase& c, double min_seconds) {
    // The case's document: its timbre, fixed tones and model, x from 1 to its x_max.
    const CurveDefinition curve = document_curve_definition(c.timbre, c.dissonance_ratios, c.model);
    const MinimaSearch search{.x_min = 1.0, .x_max = static_cast<double>(c.x_max)};
    BenchmarkCurve sampled(c, make_default_kernel());
    MinimaTiming timing;
    timing.name = c.name;
    timing.search_ms = INFINITY;
    timing.sampling_ms = INFINITY;
    // Turns of a few runs each, so that both see the machine in the same states.
    const double deadline = thread_processor_ms() + min_seconds * 1e3;
    do {
        for (int run = 0; run < 4; ++run) {
            const double start = thread_processor_ms();
            const auto minima = find_curve_minima(curve, search);
            timing.search_ms = std::min(timing.search_ms, thread_processor_ms() - start);
            if (!minima) return minima.error();
            timing.minima = static_cast<int32_t>(minima->size());
        }
        for (int run = 0; run < 4; ++run) {
            const double start = thread_processor_ms();
            sampled.sample();
            timing.sampling_ms = std::min(timing.sampling_ms, thread_processor_ms() - start);
        }
    } while (thread_processor_ms() < deadline);
    timing.ratio = timing.search_ms / timing.sampling_ms;
    return timing;
}

}  // namespace kelvara
