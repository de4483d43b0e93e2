#include "engine/triad_surface.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "engine/curve_extrema.h"
#include "engine/fast_dissonance_kernel.h"
#include "engine/parallel_tasks.h"

namespace kelvara {
namespace {

// One tone's partials with an amplitude, as ratios to the base frequency's tone.
struct ToneShape {
    std::vector<double> ratios;
    std::vector<float> amplitudes;
};

ToneShape tone_shape(const CurveDefinition& curve) {
    ToneShape shape;
    for (const Partial& p : curve.partials) {
        shape.ratios.push_back(p.ratio);
        shape.amplitudes.push_back(static_cast<float>(p.amplitude));
    }
    return shape;
}

// The partial arrays one sampling thread works in: the fixed tones, the tone at r (together
// the kernel's fixed part), then the tone at s (its sweep).
class RowSampler {
public:
    RowSampler(const CurveDefinition& curve, const std::vector<double>& fixed_tones)
        : base_hz_(curve.base_frequency_hz), shape_(tone_shape(curve)) {
        const size_t per_tone = shape_.ratios.size();
        const size_t tones = fixed_tones.size() + 2;
        partials_.resize(per_tone * tones);
        amplitudes_.resize(per_tone * tones);
        for (size_t t = 0; t < tones; ++t)
            std::copy(shape_.amplitudes.begin(), shape_.amplitudes.end(),
                      amplitudes_.begin() + static_cast<std::ptrdiff_t>(t * per_tone));
        for (size_t t = 0; t < fixed_tones.size(); ++t) place(t, fixed_tones[t]);
        r_tone_ = fixed_tones.size();
        const auto count = static_cast<int32_t>(partials_.size());
        list_ = {partials_.data(), amplitudes_.data(), count,
                 count - static_cast<int32_t>(per_tone), curve.model};
        kernel_.reserve(count);
    }

    void sample_row(const SurfaceRange& range, int32_t i, float* row) {
        const double r = range.r_at(i);
        place(r_tone_, r);
        kernel_.begin_run(list_);
        for (int32_t j = 0; j < range.size; ++j) {
            const double s = range.s_at(j);
            if (!range.sampled(r, s)) {
                row[j] = std::numeric_limits<float>::quiet_NaN();
                continue;
            }
            place(r_tone_ + 1, s);
            row[j] = kernel_.sum(list_);
        }
    }

private:
    void place(size_t tone, double ratio) {
        const size_t per_tone = shape_.ratios.size();
        for (size_t k = 0; k < per_tone; ++k)
            partials_[tone * per_tone + k] =
                static_cast<float>(base_hz_ * ratio * shape_.ratios[k]);
    }

    double base_hz_;
    ToneShape shape_;
    std::vector<float> partials_, amplitudes_;
    size_t r_tone_ = 0;
    PartialListView list_;
    FastKernel kernel_;
};

}  // namespace

Error surface_refusal(std::string reason) {
    return Error{ErrorKind::Refused, 0,  "The triad surface cannot be computed.",
                 std::move(reason),  {}, {}};
}

Result<void> check_surface_range(const SurfaceRange& range) {
    for (const auto& [low, high] :
         {std::pair{range.r_min, range.r_max}, {range.s_min, range.s_max}})
        if (auto checked = check_curve_range(low, high); !checked)
            return surface_refusal(checked.error().reason);
    if (range.size < kMinSurfaceSize || range.size > kMaxSurfaceSize)
        return surface_refusal("The surface's size must lie between " +
                               std::to_string(kMinSurfaceSize) + " and " +
                               std::to_string(kMaxSurfaceSize) + " points a side.");
    return {};
}

std::vector<double> surface_fixed_tones(const CurveDefinition& curve) {
    std::vector<double> tones = curve.fixed_tone_ratios;
    if (std::find(tones.begin(), tones.end(), 1.0) == tones.end()) tones.insert(tones.begin(), 1.0);
    return tones;
}

Result<SurfaceGrid> sample_surface(const CurveDefinition& curve, const SurfaceRange& range,
                                   SurfaceProgress* progress, int32_t threads) {
    if (auto checked = check_curve_definition(curve); !checked)
        return surface_refusal(checked.error().reason);
    if (auto checked = check_surface_range(range); !checked) return checked.error();
    SurfaceGrid grid{range, std::vector<float>(static_cast<size_t>(range.size) * range.size)};
    const std::vector<double> fixed_tones = surface_fixed_tones(curve);

    // Each thread samples with a kernel and partial arrays of its own.
    std::vector<std::optional<RowSampler>> samplers(
        static_cast<size_t>(parallel_thread_count(range.size, threads)));
    const bool finished = run_parallel_tasks(
        range.size, threads, progress ? &progress->cancel : nullptr, [&](int32_t t, int32_t i) {
            std::optional<RowSampler>& sampler = samplers[static_cast<size_t>(t)];
            if (!sampler) sampler.emplace(curve, fixed_tones);
            sampler->sample_row(range, i, grid.values.data() + static_cast<size_t>(i) * range.size);
            if (progress) progress->rows_done.fetch_add(1, std::memory_order_relaxed);
        });
    if (!finished) return surface_refusal(kSurfaceCancelled);
    return grid;
}

}  // namespace kelvara
