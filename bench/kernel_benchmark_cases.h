#pragma once
// The documents the dissonance kernels are measured on, shared by the benchmarks (bench/)
// and `kelvara-cli bench`, so that both report the same numbers:
// - "default": a new document (one fixed tone at 1.0 and the sweep tone, 25 geometric
//   harmonics each = 50 partials; x from 1 to 2 in steps of 0.005 = 201 samples);
// - "worst": ten fixed tones and the sweep tone, 25 harmonics each = 275 partials, sampled
//   over the full width the curve arrays hold at the default step (x from 1 to 3.995 =
//   600 samples);
// - "default-min", "worst-min": the same under the minimum roughness model;
// - "bar": the worst case's fixed tones with a custom timbre of 25 free-bar modes, whose
//   partials lie far from the harmonics' (the pairs the kernel keeps differ).
#include <memory>
#include <string>
#include <vector>

#include "engine/curve_sampling.h"
#include "engine/dissonance_kernel.h"

namespace kelvara {

struct KernelBenchmarkCase {
    std::string name;
    std::vector<float> dissonance_ratios;
    float x_max = 2.0f;
    RoughnessModel model = RoughnessModel::Product;
    Timbre timbre;  // a new document's unless the case says otherwise
};

const std::vector<KernelBenchmarkCase>& kernel_benchmark_cases();

// The curve of a new document with the case's fixed tones and x range, with its own buffers,
// sampled by `kernel`. Each sample() is one measured sampling run. Throws
// std::invalid_argument for a case no document could hold.
class BenchmarkCurve {
public:
    BenchmarkCurve(const KernelBenchmarkCase& c, std::unique_ptr<DissonanceKernel> kernel);

    void sample();
    int32_t number_of_partials() const { return sampled_.number_of_partials; }
    int32_t number_of_points() const { return sampled_.number_of_points; }
    const std::vector<float>& y_values() const { return y_values_; }

private:
    Timbre timbre_;
    std::vector<float> ratios_;
    float x_max_;
    double step_;
    RoughnessModel model_;
    std::vector<float> x_values_, y_values_, partials_, amplitudes_;
    std::unique_ptr<DissonanceKernel> kernel_;
    SampledCurve sampled_;
};

// The literal kernel against the default one on one case, in this process.
struct KernelComparison {
    std::string name;
    int32_t partials = 0;
    int32_t samples = 0;
    double literal_ms = 0.0;  // fastest sampling run seen, in processor time of this thread
    double fast_ms = 0.0;
    double ratio = 0.0;                   // literal_ms / fast_ms
    double max_relative_deviation = 0.0;  // largest |fast − literal| / largest literal value
};

// The processor time this thread has spent, in milliseconds. On a shared machine it leaves
// out the time other processes held the processor, which wall-clock time would count.
double thread_processor_ms();

// Repeats each kernel's sampling run for at least `min_seconds` (and at least once), the
// two taking turns.
KernelComparison compare_kernels(const KernelBenchmarkCase& c, double min_seconds);

}  // namespace kelvara
