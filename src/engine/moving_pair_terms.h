#pragma once
// The scalar arithmetic that moving_pair_sums' two builds share: one exponential, the two
// slopes of a pair against a still partial, the slope of a pair of movers. Internal to
// moving_pair_sums_*.cpp.
#include <bit>
#include <cstdint>
#include <numbers>

#include "engine/roughness_terms.h"

namespace kelvara::moving_pair_terms {

namespace rt = roughness_terms;

inline constexpr double kLnTwoPerCent = std::numbers::ln2 / 1200.0;
// d reach/d f = −kReachCurvature · reach².
inline constexpr double kReachCurvature = rt::kBandwidthSlope / rt::kNumerator;
// Two partials closer than this fraction of the upper one are treated as meeting: far below
// any pitch anyone hears (1e-7 cent), far above the rounding of a transposed frequency.
inline constexpr double kCoincidentRatio = 1e-7 * kLnTwoPerCent;
// The exponent e^(−s/4) is clamped at: past it both terms are below 1e-152, nothing to any
// sum here, and their powers stay clear of subnormal numbers, which would cost a hundred
// times a normal multiplication.
inline constexpr double kLowestExponent = -25.0;

// 1/k! for k = 0 to 12, the Taylor coefficients of e^r.
inline constexpr double kInverseFactorials[] = {
    1.0,        1.0,         1.0 / 2,      1.0 / 6,       1.0 / 24,       1.0 / 120,      1.0 / 720,
    1.0 / 5040, 1.0 / 40320, 1.0 / 362880, 1.0 / 3628800, 1.0 / 39916800, 1.0 / 479001600};

// exp(x) for x ≤ 0: x = n·ln 2 + r with |r| ≤ ln 2 / 2, e^r by its Taylor series to r^12
// (error below 2e-16), scaled by 2^n built in the exponent bits.
inline double exp_nonpositive(double x) {
    x = x < kLowestExponent ? kLowestExponent : x;
    constexpr double kShift = 0x1.8p52;
    const double shifted = x * std::numbers::log2e + kShift;
    const double n = shifted - kShift;
    // ln 2 in two parts, the first with trailing zeros so that n times it is exact.
    const double r = (x - n * 0x1.62e42feep-1) - n * 0x1.a39ef35793c76p-33;
    double p = kInverseFactorials[12];
    for (int k = 11; k >= 0; --k) p = p * r + kInverseFactorials[k];
    const uint64_t bits = (std::bit_cast<uint64_t>(shifted) + 1023u) << 52;
    return p * std::bit_cast<double>(bits);
}

}  // namespace kelvara::moving_pair_terms
