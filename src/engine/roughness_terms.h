#pragma once
// One pair's roughness term in 64 bits, with the constants of the 32-bit kernels widened
// exactly, so that the exact curve and the sampled one share one model.
#include <cmath>

#include "engine/dissonance_kernel.h"

namespace kelvara::roughness_terms {

inline constexpr double kNumerator = roughness::kNumerator;
inline constexpr double kBandwidthSlope = roughness::kBandwidthSlope;
inline constexpr double kBandwidthOffset = roughness::kBandwidthOffset;
inline constexpr double kFirstRate = -static_cast<double>(roughness::kFirstRate);    // 3.5
inline constexpr double kSecondRate = -static_cast<double>(roughness::kSecondRate);  // 5.75
// s of two partials far above 19 Hz tends to kHighFrequencySlope × (upper/lower − 1).
inline constexpr double kHighFrequencySlope = kNumerator / kBandwidthSlope;

// The separation s of a pair whose lower partial is at lower_hz.
inline double separation(double lower_hz, double upper_hz) {
    return kNumerator * (upper_hz - lower_hz) / (kBandwidthSlope * lower_hz + kBandwidthOffset);
}

// d s/d x of the pair when the partials move by d lower/d x and d upper/d x.
inline double separation_slope(double lower_hz, double upper_hz, double lower_per_x,
                               double upper_per_x) {
    const double bandwidth = kBandwidthSlope * lower_hz + kBandwidthOffset;
    return kNumerator *
           ((upper_per_x - lower_per_x) * bandwidth -
            (upper_hz - lower_hz) * kBandwidthSlope * lower_per_x) /
           (bandwidth * bandwidth);
}

struct Term {
    double value;  // e^(−3.5 s) − e^(−5.75 s)
    double slope;  // its derivative in s
};

inline Term term(double s) {
    const double first = std::exp(-kFirstRate * s);
    const double second = std::exp(-kSecondRate * s);
    return {first - second, kSecondRate * second - kFirstRate * first};
}

}  // namespace kelvara::roughness_terms
