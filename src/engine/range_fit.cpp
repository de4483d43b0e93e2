#include "engine/range_fit.h"

#include <cmath>

namespace kelvara {
namespace {

constexpr float kRunningMinStart = 1000000.0f;
constexpr float kRunningMaxStart = 0.0f;
// Both margins are this fraction of the curve's maximum.
constexpr float kYMarginFraction = 0.05f;
constexpr float kYFloor = 0.0f;
constexpr FloatRange kRangeOfSilence{0.0f, 1.0f};
constexpr float kSlopeMargin = 0.1f;

struct RunningExtremes {
    float lo = kRunningMinStart;
    float hi = kRunningMaxStart;
    void add(float v) {
        if (v <= lo) lo = v;
        if (v >= hi) hi = v;
    }
};

}  // namespace

FloatRange fit_y_range(const float* y_values, int32_t count) {
    RunningExtremes extremes;
    for (int32_t i = 0; i < count; ++i) extremes.add(y_values[i]);
    if (!(extremes.hi > 0.0f) || !std::isfinite(extremes.hi) || !(extremes.lo <= extremes.hi))
        return kRangeOfSilence;
    const float margin = kYMarginFraction * extremes.hi;
    FloatRange range{extremes.lo - margin, extremes.hi + margin};
    if (range.min < kYFloor) range.min = kYFloor;
    return range;
}

FloatRange fit_slope_range(const float* x_values, const float* y_values, int32_t count) {
    RunningExtremes extremes;
    for (int32_t i = 0; i + 1 < count; ++i)
        extremes.add((y_values[i + 1] - y_values[i]) / (x_values[i + 1] - x_values[i]));
    return {extremes.lo - kSlopeMargin, extremes.hi + kSlopeMargin};
}

}  // namespace kelvara
