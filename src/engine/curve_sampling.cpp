#include "engine/curve_sampling.h"

#include <algorithm>

#include "engine/engine_limits.h"

namespace kelvara {

size_t partial_capacity(int32_t number_of_overtones) {
    return static_cast<size_t>(kMaxTones) * static_cast<size_t>(std::max(number_of_overtones, 1));
}

SampledCurve sample_curve(const CurveSettings& settings, DissonanceKernel& kernel,
                          const CurveBuffers& buffers) {
    std::fill(buffers.x_values.begin(), buffers.x_values.end(), 0.0f);
    std::fill(buffers.y_values.begin(), buffers.y_values.end(), 0.0f);
    const size_t capacity = std::min(buffers.x_values.size(), buffers.y_values.size());

    const std::span<const float> fixed = settings.fixed_tone_ratios.first(
        std::min<size_t>(settings.fixed_tone_ratios.size(), kMaxDissonanceRatios));
    const auto fixed_count = static_cast<int32_t>(fixed.size());
    const Timbre& timbre = settings.timbre;
    SampledCurve sampled;
    sampled.number_of_partials = number_of_partials(timbre, fixed_count);
    build_partials(timbre, fixed, buffers.partials.data(), buffers.amplitudes.data());

    const PartialListView list{
        buffers.partials.data(), buffers.amplitudes.data(), sampled.number_of_partials,
        sampled.number_of_partials - partials_per_tone(timbre), settings.model};
    kernel.begin_run(list);

    float x = settings.x_min;
    size_t count = 0;
    // Every accepted state keeps the samples within the capacity (engine_limits.h); the
    // capacity test only makes that a guarantee of this loop as well.
    while (x <= settings.x_max && count < capacity) {
        move_sweep_tone(timbre, fixed_count, x, buffers.partials.data());
        buffers.x_values[count] = x;
        buffers.y_values[count] = sampled.number_of_partials < 1 ? 0.0f : kernel.sum(list);
        ++count;
        x = next_sample_x(x, settings.step);
    }
    sampled.number_of_points = static_cast<int32_t>(count);
    return sampled;
}

}  // namespace kelvara
