#include "bench/kernel_benchmark_cases.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "engine/engine_limits.h"
#include "engine/timbre_starting_points.h"

namespace kelvara {
namespace {

// Processor time of one sampling run.
double run_ms(BenchmarkCurve& curve) {
    const double start = thread_processor_ms();
    curve.sample();
    return thread_processor_ms() - start;
}

// The fastest runs of both documents, the least disturbed by whatever else the machine is
// doing. The two take turns, each for about as long as one run of the slower, so that both
// see the machine in the same states (its clock speed on a shared machine varies by a third
// from one second to the next).
std::pair<double, double> fastest_runs_ms(BenchmarkCurve& slow, BenchmarkCurve& fast,
                                          double min_seconds) {
    const double deadline = thread_processor_ms() + min_seconds * 1e3;
    double fastest_slow = INFINITY, fastest_fast = INFINITY;
    do {
        const double slow_ms = run_ms(slow);
        fastest_slow = std::min(fastest_slow, slow_ms);
        const double turn_end = thread_processor_ms() + slow_ms;
        do {
            fastest_fast = std::min(fastest_fast, run_ms(fast));
        } while (thread_processor_ms() < turn_end);
    } while (thread_processor_ms() < deadline);
    return {fastest_slow, fastest_fast};
}

double max_relative_deviation(const BenchmarkCurve& literal, const BenchmarkCurve& fast) {
    double peak = 0.0, deviation = 0.0;
    for (int32_t i = 0; i < literal.number_of_points(); ++i) {
        peak = std::max(peak, std::fabs(static_cast<double>(literal.y_values()[size_t(i)])));
        deviation = std::max(deviation, std::fabs(static_cast<double>(fast.y_values()[size_t(i)]) -
                                                  literal.y_values()[size_t(i)]));
    }
    return peak > 0.0 ? deviation / peak : deviation;
}

}  // namespace

double thread_processor_ms() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

const std::vector<KernelBenchmarkCase>& kernel_benchmark_cases() {
    static const std::vector<KernelBenchmarkCase> cases = [] {
        const std::vector<float> worst{1.0f,        16.0f / 15.0f, 9.0f / 8.0f, 6.0f / 5.0f,
                                       5.0f / 4.0f, 4.0f / 3.0f,   3.0f / 2.0f, 8.0f / 5.0f,
                                       5.0f / 3.0f, 2.0f};
        constexpr auto kMin = RoughnessModel::Minimum;
        Timbre bar;
        bar.overtone_type = CustomPartials;
        bar.custom_partials = free_bar_partials(25);
        bar.number_of_overtones = 25;
        return std::vector<KernelBenchmarkCase>{
            {"default", {1.0f}, 2.0f, RoughnessModel::Product, {}},
            {"worst", worst, 3.9975f, RoughnessModel::Product, {}},
            {"default-min", {1.0f}, 2.0f, kMin, {}},
            {"worst-min", worst, 3.9975f, kMin, {}},
            {"bar", worst, 3.9975f, RoughnessModel::Product, bar},
        };
    }();
    return cases;
}

BenchmarkCurve::BenchmarkCurve(const KernelBenchmarkCase& c,
                               std::unique_ptr<DissonanceKernel> kernel)
    : timbre_(c.timbre),
      ratios_(c.dissonance_ratios),
      x_max_(c.x_max),
      // A new document's x_min and step (the float 0.005 widened).
      step_(static_cast<double>(0.005f)),
      model_(c.model),
      kernel_(std::move(kernel)) {
    const int32_t capacity = curve_capacity_for_step(step_).value_or(0);
    if (ratios_.size() > static_cast<size_t>(kMaxDissonanceRatios))
        throw std::invalid_argument("benchmark case " + c.name + ": ratios refused");
    if (!sample_count(1.0f, x_max_, step_, capacity))
        throw std::invalid_argument("benchmark case " + c.name + ": x range refused");
    x_values_.resize(static_cast<size_t>(capacity));
    y_values_.resize(static_cast<size_t>(capacity));
    const size_t partials = partial_capacity(partials_per_tone(timbre_));
    partials_.resize(partials);
    amplitudes_.resize(partials);
    kernel_->reserve(static_cast<int32_t>(partials));
    sample();
}

void BenchmarkCurve::sample() {
    sampled_ = sample_curve({timbre_, ratios_, 1.0f, x_max_, step_, model_}, *kernel_,
                            {x_values_, y_values_, partials_, amplitudes_});
}

KernelComparison compare_kernels(const KernelBenchmarkCase& c, double min_seconds) {
    BenchmarkCurve literal(c, std::make_unique<LiteralKernel>());
    BenchmarkCurve fast(c, make_default_kernel());
    KernelComparison result;
    result.name = c.name;
    result.partials = literal.number_of_partials();
    result.samples = literal.number_of_points();
    std::tie(result.literal_ms, result.fast_ms) = fastest_runs_ms(literal, fast, 2.0 * min_seconds);
    result.ratio = result.literal_ms / result.fast_ms;
    result.max_relative_deviation = max_relative_deviation(literal, fast);
    return result;
}

}  // namespace kelvara
