#pragma once
// Sampling a dissonance curve into buffers the caller owns: the partial list of the fixed
// tones and the sweep tone, then one roughness sum per x, from x_min while x <= x_max and a
// sample fits. Each next x is the previous stored 32-bit x plus the step (next_sample_x), so
// every check of engine_limits.h counts exactly the samples taken here.
//
// Nothing here allocates: the kernel was given the partial capacity (reserve) beforehand.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/dissonance_kernel.h"
#include "engine/partials.h"

namespace kelvara {

// What one sampling run reads. It refers to the caller's timbre, so that a run copies (and
// allocates) nothing.
struct CurveSettings {
    const Timbre& timbre;
    // The fixed tones' ratios; only the first kMaxDissonanceRatios sound, so the partial
    // arrays (sized for kMaxTones tones) are never written past.
    std::span<const float> fixed_tone_ratios;
    float x_min = 1.0f;
    float x_max = 2.0f;
    double step = 0.005;
    RoughnessModel model = RoughnessModel::Product;
};

// Where a run writes. The two sample arrays are equally long (the curve's capacity); the
// partial arrays hold partial_capacity(partials_per_tone(timbre)) entries.
struct CurveBuffers {
    std::span<float> x_values;
    std::span<float> y_values;
    std::span<float> partials;
    std::span<float> amplitudes;
};

struct SampledCurve {
    int32_t number_of_points = 0;    // samples written to the front of the sample arrays
    int32_t number_of_partials = 0;  // entries of the partial list
};

// Entries the partial arrays need for a number of overtones per tone: kMaxTones tones.
size_t partial_capacity(int32_t number_of_overtones);

// Zeroes the sample arrays, builds the partial list and samples the curve. The partials
// left in the buffers are those of the last sample.
SampledCurve sample_curve(const CurveSettings& settings, DissonanceKernel& kernel,
                          const CurveBuffers& buffers);

}  // namespace kelvara
