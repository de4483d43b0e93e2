#pragma once
// Scales generated from a few numbers, as a tuning file lists them: the degrees above 1/1 in
// ascending order, the last one the period, each an exact ratio where the numbers are exact
// and otherwise a size in cents (scale_pitch.h).
//
//   rank_two_scale({.generator = 3/2, .size = 7, .generators_down = 1})
//       -> 9/8 81/64 4/3 3/2 27/16 243/128 2/1, steps "LLsLLLs"
//   moment_of_symmetry_sizes(2/1, 3/2, 20) -> 2 3 5 7 12 17
//   harmonic_segment(8, 16) -> 9/8 5/4 11/8 3/2 13/8 7/4 15/8 2/1
//
// Pure values and functions; any thread.
#include <cstdint>
#include <string>
#include <vector>

#include "base/error.h"
#include "scales/scale_pitch.h"

namespace kelvara {

// The most notes a generated scale may have in one period.
inline constexpr int32_t kMaxGeneratedScaleSize = 1000;
// The largest size moment_of_symmetry_sizes() tries (each size checks every interval class).
inline constexpr int32_t kMaxMomentOfSymmetrySize = 200;
// The highest harmonic a segment may reach.
inline constexpr int32_t kMaxHarmonic = 100000;

struct GeneratedScale {
    std::vector<ScalePitch> degrees;  // ascending, above 1/1, the last the period
    // One letter per step from 1/1 up to the period: L and s when the steps have two sizes,
    // L, M and s for three, A, B, C ... from the largest for more, L for a scale of equal
    // steps.
    std::string step_pattern;
};

// A period and a generator, each a ratio or cents; `size` notes per period (1/1 included),
// made of the generator's powers from -generators_down up to size - 1 - generators_down,
// each reduced into the period.
struct RankTwoChain {
    ScalePitch period = *ScalePitch::from_ratio(2, 1);
    ScalePitch generator = *ScalePitch::from_ratio(3, 2);
    int32_t size = 7;
    int32_t generators_down = 0;
};

// Refused: a period not above 1/1, a size outside 1..kMaxGeneratedScaleSize, generators down
// outside 0..size - 1, or a generator that gives two notes the same pitch in the period.
Result<GeneratedScale> rank_two_scale(const RankTwoChain& chain);

// The sizes from 2 to `largest_size` (at most kMaxMomentOfSymmetrySize) at which the
// generator's chain forms a moment-of-symmetry scale: every interval class in at most two
// sizes (steps of two sizes, or of one where the chain closes into an equal division).
// Empty for a period not above 1/1; the chain stops where two of its notes coincide.
std::vector<int32_t> moment_of_symmetry_sizes(const ScalePitch& period, const ScalePitch& generator,
                                              int32_t largest_size);

// Harmonics lowest..highest over the lowest, each reduced into the period, ascending, the
// unison left out and the period added. The subharmonic mirror: highest over each of
// highest..lowest. Refused: lowest below 1, highest not above lowest or beyond
// kMaxHarmonic, a period not above 1/1, more than kMaxGeneratedScaleSize notes.
Result<GeneratedScale> harmonic_segment(int32_t lowest, int32_t highest,
                                        const ScalePitch& period = *ScalePitch::from_ratio(2, 1));
Result<GeneratedScale> subharmonic_segment(int32_t lowest, int32_t highest,
                                           const ScalePitch& period = *ScalePitch::from_ratio(2,
                                                                                              1));

// The step pattern of ascending cents from 1/1 (not listed) up to the period (the last).
std::string step_pattern(const std::vector<double>& degree_cents);

}  // namespace kelvara
