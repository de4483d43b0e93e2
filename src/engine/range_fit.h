#pragma once
// Fitting the plotted ranges to a sampled curve, in 32-bit floats.
#include <cstdint>

namespace kelvara {

struct FloatRange {
    float min = 0.0f;
    float max = 0.0f;
};

// The y range for `count` samples: the running minimum starts at 1000000 and the running
// maximum at 0 (so a fitted maximum is never below 0), then 0.1 below and 0.2 above, with
// the minimum floored at 0.
FloatRange fit_y_range(const float* y_values, int32_t count);

// The derivative range from the finite differences of consecutive samples (using the stored
// x differences), with the same running starts and a margin of 0.1 each side, no floor.
FloatRange fit_derivative_range(const float* x_values, const float* y_values, int32_t count);

}  // namespace kelvara
