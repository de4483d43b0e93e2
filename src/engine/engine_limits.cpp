#include "engine/engine_limits.h"

#include <cmath>

namespace kelvara {

bool is_valid_number_of_overtones(int32_t count) {
    return count >= kMinOvertones && count <= kMaxOvertones;
}

std::optional<int32_t> curve_capacity_for_step(double step) {
    if (!std::isfinite(step) || step <= 0.0) return std::nullopt;
    const double capacity = std::ceil(kCurveCapacitySpan / step) + 1.0;
    if (!(capacity <= kMaxCurvePoints)) return std::nullopt;
    return static_cast<int32_t>(capacity);
}

float smallest_step() {
    const double lowest = kCurveCapacitySpan / (kMaxCurvePoints - 1);
    float step = static_cast<float>(lowest);
    while (!curve_capacity_for_step(step)) step = std::nextafter(step, 1.0f);
    return step;
}

std::optional<int32_t> sample_count(float x_min, float x_max, double step, int32_t capacity) {
    if (!std::isfinite(step) || step <= 0.0) return std::nullopt;
    int32_t count = 0;
    // Comparisons with NaN are false, so a NaN bound gives no samples, as the loop would.
    for (float x = x_min; x <= x_max; x = next_sample_x(x, step)) {
        if (count == capacity) return std::nullopt;
        ++count;
    }
    return count;
}

}  // namespace kelvara
