#include "engine/triad_surface.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "engine/curve_extrema.h"
#include "engine/exact_surface.h"
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

// The partial arrays one sampling thread works in: the fixed tones, then a tone at x, then the
// tone at s; and a kernel for each of the three sums taken from them:
// - the fixed tones with the tone at x swept: every pair of the curve at x;
// - the tone at x alone: its own pairs, which the first sum counts and the third again;
// - the tone at r (the tone at x's place, fixed) with the tone at s swept: the pairs within
//   and between the two swept tones, all that depends on r and s together.
// D(r, s) = fixed pairs + with_fixed(r) − alone(r) + with_fixed(s) − alone(s) + pair(r, s).
class Sampler {
public:
    Sampler(const CurveDefinition& curve, const std::vector<double>& fixed_tones)
        : base_hz_(curve.base_frequency_hz), shape_(tone_shape(curve)) {
        const auto per_tone = static_cast<int32_t>(shape_.ratios.size());
        const auto fixed = static_cast<int32_t>(fixed_tones.size()) * per_tone;
        const size_t tones = fixed_tones.size() + 2;
        partials_.resize(static_cast<size_t>(per_tone) * tones);
        amplitudes_.resize(static_cast<size_t>(per_tone) * tones);
        for (size_t t = 0; t < tones; ++t)
            std::copy(shape_.amplitudes.begin(), shape_.amplitudes.end(),
                      amplitudes_.begin() + static_cast<std::ptrdiff_t>(t * shape_.ratios.size()));
        for (size_t t = 0; t < fixed_tones.size(); ++t) place(t, fixed_tones[t]);
        x_tone_ = fixed_tones.size();
        float* x = partials_.data() + fixed;
        const float* x_amplitudes = amplitudes_.data() + fixed;
        with_fixed_list_ = {partials_.data(), amplitudes_.data(), fixed + per_tone, fixed,
                            curve.model};
        alone_list_ = {x, x_amplitudes, per_tone, 0, curve.model};
        pair_list_ = {x, x_amplitudes, 2 * per_tone, per_tone, curve.model};
        with_fixed_.reserve(fixed + per_tone);
        alone_.reserve(per_tone);
        pair_.reserve(2 * per_tone);
    }

    // with_fixed(x) − alone(x): the fixed pairs and those of the tone at x with the fixed tones.
    double fixed_terms(double x) {
        if (!runs_begun_) {
            place(x_tone_, x);
            with_fixed_.begin_run(with_fixed_list_);
            alone_.begin_run(alone_list_);
            runs_begun_ = true;
        }
        place(x_tone_, x);
        return static_cast<double>(with_fixed_.sum(with_fixed_list_)) - alone_.sum(alone_list_);
    }

    // pair(r, s) for every s of the row, plus `offset` and the s column's fixed terms.
    void sample_row(const SurfaceRange& range, int32_t i, const std::vector<double>& s_terms,
                    double offset, float* row) {
        const double r = range.r_at(i);
        place(x_tone_, r);
        pair_.begin_run(pair_list_);
        for (int32_t j = 0; j < range.size; ++j) {
            const double s = range.s_at(j);
            if (!range.sampled(r, s)) {
                row[j] = std::numeric_limits<float>::quiet_NaN();
                continue;
            }
            place(x_tone_ + 1, s);
            row[j] = static_cast<float>(offset + s_terms[static_cast<size_t>(j)] +
                                        pair_.sum(pair_list_));
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
    size_t x_tone_ = 0;
    PartialListView with_fixed_list_, alone_list_, pair_list_;
    FastKernel with_fixed_, alone_, pair_;
    bool runs_begun_ = false;
};

}  // namespace

float SurfaceGrid::value_near(double r, double s) const {
    const auto nearest = [n = range.size](double t, double lo,
                                          double hi) -> std::optional<int32_t> {
        if (!(t >= lo && t <= hi) || n < 2) return std::nullopt;
        return static_cast<int32_t>(std::lround((t - lo) / (hi - lo) * (n - 1)));
    };
    const auto at = [&](double x, double y) {
        const std::optional<int32_t> i = nearest(x, range.r_min, range.r_max);
        const std::optional<int32_t> j = nearest(y, range.s_min, range.s_max);
        return i && j && !values.empty() ? value(*i, *j) : std::numeric_limits<float>::quiet_NaN();
    };
    const float here = at(r, s);
    return std::isnan(here) && range.upper_half ? at(s, r) : here;
}

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

    Result<ExactSurface> exact = ExactSurface::create(curve);
    if (!exact) return exact.error();
    const double fixed_pairs = exact->fixed_pairs();

    // Each thread samples with kernels and partial arrays of its own: first the fixed terms
    // of every r and s, then the rows.
    const int32_t n = range.size;
    std::vector<std::optional<Sampler>> samplers(
        static_cast<size_t>(parallel_thread_count(2 * n, threads)));
    auto sampler = [&](int32_t t) -> Sampler& {
        std::optional<Sampler>& s = samplers[static_cast<size_t>(t)];
        if (!s) s.emplace(curve, fixed_tones);
        return *s;
    };
    std::vector<double> r_terms(static_cast<size_t>(n)), s_terms(static_cast<size_t>(n));
    const std::atomic<bool>* stop = progress ? &progress->cancel : nullptr;
    bool finished = run_parallel_tasks(2 * n, threads, stop, [&](int32_t t, int32_t k) {
        const bool is_r = k < n;
        const int32_t index = is_r ? k : k - n;
        (is_r ? r_terms : s_terms)[static_cast<size_t>(index)] =
            sampler(t).fixed_terms(is_r ? range.r_at(index) : range.s_at(index));
    });
    finished = finished && run_parallel_tasks(n, threads, stop, [&](int32_t t, int32_t i) {
                   sampler(t).sample_row(
                       range, i, s_terms, r_terms[static_cast<size_t>(i)] - fixed_pairs,
                       grid.values.data() + static_cast<size_t>(i) * static_cast<size_t>(n));
                   if (progress) progress->rows_done.fetch_add(1, std::memory_order_relaxed);
               });
    if (!finished) return surface_refusal(kSurfaceCancelled);
    return grid;
}

}  // namespace kelvara
