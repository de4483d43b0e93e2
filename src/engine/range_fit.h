#pragma once
// Fitting the plotted ranges to a sampled curve, in 32-bit floats.
#include <cstdint>

namespace kelvara {

struct FloatRange {
    float min = 0.0f;
    float max = 0.0f;
};

// The y range for `count` samples: from the smallest value less 5 % of the largest (never
// below 0) to 5 % above the largest, so the curve fills the height whatever its scale. A
// curve with no positive finite maximum (silence, no samples, none that is a number) gets
// 0 to 1.
FloatRange fit_y_range(const float* y_values, int32_t count);

// The derivative range from the finite differences of consecutive samples (using the stored
// x differences): the running minimum starts at 1000000 and the maximum at 0, then a margin
// of 0.1 each side, no floor.
FloatRange fit_slope_range(const float* x_values, const float* y_values, int32_t count);

}  // namespace kelvara
