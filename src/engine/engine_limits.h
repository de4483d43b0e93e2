#pragma once
// The limits that keep every document in a state the engine can sample: arrays are never
// written past, and no sampling loop can run forever. Edits, file reads and the command
// line all check values here, in one place, and refuse what does not fit.
#include <cstdint>
#include <optional>

#include "base/value_limits.h"

namespace kelvara {

// The fixed tones of a document: one per dissonance ratio.
inline constexpr int32_t kMaxDissonanceRatios = 10;
// Tones in the partial list: the fixed tones and the sweep tone.
inline constexpr int32_t kMaxTones = kMaxDissonanceRatios + 1;

// Overtones per tone. At least one; the upper bound keeps the partial list (11 tones) and
// the pair sum (quadratic in the partials) within what redraws instantly under the mouse.
inline constexpr int32_t kMinOvertones = static_cast<int32_t>(kOvertoneBounds.min);
inline constexpr int32_t kMaxOvertones = static_cast<int32_t>(kOvertoneBounds.max);
// A custom timbre's partials: as many as the parametric types' overtones, for the same reason.
inline constexpr int32_t kMaxCustomPartials = kMaxOvertones;

// The widest x range every step can sample: the curve arrays hold ceil(3.0 / step) + 1
// samples, so a range exactly 3 wide, whose both ends are sampled, fits at every step.
inline constexpr double kCurveCapacitySpan = 3.0;
// The most samples a curve may hold. A step below 3.0 / (kMaxCurvePoints - 1) (3e-5) is
// refused: a smaller one would need arrays of unbounded size and seconds per redraw.
inline constexpr int32_t kMaxCurvePoints = 100000;
// The smallest step the arrays allow, as a 32-bit float (the step field and the file hold
// one): the first float at or above 3.0 / (kMaxCurvePoints - 1).
float smallest_step();

bool is_valid_number_of_overtones(int32_t count);

// The capacity of the curve arrays for a step: the ceiling of 3.0 / step in 64-bit, plus one.
// Nothing when the step is not finite, not positive, or needs more than kMaxCurvePoints
// samples.
std::optional<int32_t> curve_capacity_for_step(double step);

// The first x of a sampling run, then each next one: the previous stored 32-bit x plus the
// step, added in 64 bits and narrowed back. Sampling and every check share it.
inline float next_sample_x(float x, double step) {
    return static_cast<float>(static_cast<double>(x) + step);
}

// How many samples the sampling loop takes from x_min while x <= x_max, replaying its exact
// 32-bit accumulation. Nothing when the loop would need more than `capacity` samples; that
// includes a step too small to move x, where the loop would never end. A NaN bound, or
// x_min above x_max, gives 0 samples.
std::optional<int32_t> sample_count(float x_min, float x_max, double step, int32_t capacity);

}  // namespace kelvara
