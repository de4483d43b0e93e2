#pragma once
// Which partials a partial keeps pairs with under a roughness cutoff, and how to find them in
// an ascending list.
#include <algorithm>
#include <cstdint>

#include "engine/dissonance_kernel.h"

namespace kelvara::roughness_rows {

// The ranges are widened by this fraction of the cutoff, so that the float rounding of s in
// the literal sum can never turn a pair left out into one below the cutoff.
inline constexpr double kCutoffMargin = 1e-5;

// The frequencies between which a partial must lie for its pair with a partial at q to have
// s at most the cutoff S. From s = 0.24·(q − p)/(0.021·p + 19) for a lower p and
// s = 0.24·(p − q)/(0.021·q + 19) for a higher one, both growing with the distance:
//   p ≥ (0.24·q − 19·S) / (0.24 + 0.021·S)   and   p ≤ q + S·(0.021·q + 19) / 0.24,
// two straight lines in q, so a cutoff fixes four coefficients and a row costs no division.
// Both grow with q. In floats, widened by more than their rounding (the coefficients', the
// product's and the sum's, a few parts in 2^24 of the product): a range a little wider only
// computes a pair more. A lower bound below 0 keeps every partial, as it should.
struct KeptRanges {
    float low_slope, low_offset, high_slope, high_offset;

    explicit KeptRanges(double cutoff) {
        using namespace roughness;
        const double s = cutoff * (1.0 + kCutoffMargin);
        const double numerator = kNumerator, slope = kBandwidthSlope, offset = kBandwidthOffset;
        low_slope = static_cast<float>(numerator / (numerator + slope * s));
        low_offset = static_cast<float>(-offset * s / (numerator + slope * s));
        high_slope = static_cast<float>(1.0 + s * slope / numerator);
        high_offset = static_cast<float>(s * offset / numerator);
    }
    float low(float q) const {
        const float product = low_slope * q;
        return (product + low_offset) - product * kRounding;
    }
    float high(float q) const { return (high_slope * q + high_offset) * (1.0f + kRounding); }

private:
    static constexpr float kRounding = 0x1p-21f;
};

// How many entries of the ascending list sorted[0, count) lie below `bound` (kIncludeBound:
// at most at it). A binary search whose steps depend only on `count`, each a conditional
// move rather than a branch: the searches of a plan go in every direction by varying
// amounts, and a mispredicted branch costs more than a whole step.
template <bool kIncludeBound>
int32_t count_up_to(const float* sorted, int32_t count, float bound) {
    const auto inside = [bound](float value) {
        return kIncludeBound ? value <= bound : value < bound;
    };
    const float* base = sorted;
    int32_t length = count;  // the answer lies in [base − sorted, base − sorted + length]
    while (length > 1) {
        const int32_t half = length / 2;
        base += inside(base[half - 1]) ? half : 0;
        length -= half;
    }
    return static_cast<int32_t>(base - sorted) + (length == 1 && inside(*base) ? 1 : 0);
}

}  // namespace kelvara::roughness_rows
