#pragma once
// The inner loop of the fast dissonance kernel, in two builds with one contract: a portable
// one and one for processors with AVX2 and FMA (8 pairs at a time).
//
// A row is one partial paired with a contiguous range of "columns", partials held as
// structure-of-arrays. For a set of rows the loop returns
//     Σ_rows a_row · Σ_{j in [begin, end)} a[j] · (e^(−3.5 s) − e^(−5.75 s)),
// s = 0.24·|f_row − f[j]| / (0.021·min(f_row, f[j]) + 19), every pair once (callers double).
//
// Instead of s the loop takes each partial's exponent scale (exponent_scale below): the
// log2 of e^(−3.5 s) per hertz of distance when that partial is the lower one. The bandwidth
// term only grows with frequency, so the scale of the lower partial of a pair is the more
// negative of the two, and a pair costs no division.
#include <cstdint>

#include "engine/dissonance_kernel.h"

namespace kelvara::roughness_rows {

// Every column array holds this many padding entries past its last column: frequency 0,
// amplitude 0 (see Row).
inline constexpr int32_t kPadding = 8;

struct Columns {
    const float* frequency = nullptr;       // hertz, finite and not negative
    const float* exponent_scale = nullptr;  // exponent_scale(frequency)
    const float* amplitude = nullptr;
};

// A row pairs its partial with the columns [begin, end) at least. The loops may go on up to
// seven columns past `end`, into the next columns or the padding: a row must be one whose
// pairs with those columns belong to the sum too (they are then simply not left out), and
// every pair counted at most once by the rows of one call.
struct Row {
    float frequency = 0.0f;
    float exponent_scale = 0.0f;
    float amplitude = 0.0f;
    int32_t begin = 0;
    int32_t end = 0;
};

// log2(e) × the first exponent: e^(−3.5 s) = 2^(kFirstRateLog2 · s).
inline constexpr float kFirstRateLog2 = roughness::kFirstRate * 1.44269504088896341f;
// The second exponential shares the first: e^(−5.75 s) = e^(−3.5 s) · e^(−2.25 s), and
// e^(−2.25 s) = 2^(t · 2.25/3.5) for t the first exponent in base 2.
inline constexpr float kSharedRateRatio =
    (roughness::kSecondRate - roughness::kFirstRate) / roughness::kFirstRate;

// log2 of e^(−3.5 s) per hertz of distance for a pair whose lower partial is `frequency`,
// with the bandwidth term rounded exactly as the literal pair sum rounds it.
inline float exponent_scale(float frequency) {
    using namespace roughness;
    return (kNumerator / (kBandwidthSlope * frequency + kBandwidthOffset)) * kFirstRateLog2;
}

// The largest roughness exponent s of a pair inside a row's range (callers may widen the
// ranges by a relative 1e-4 for rounding). Beyond s = 24 a term is below e^(−84) ≈ 3e-37 of
// its amplitude product.
inline constexpr double kMaxCutoff = 24.0;
// Exponents below this (in base 2) are raised to it, so that 2^n stays a normal float. Only
// columns read past a row's range can be that low; each such term then comes out at most
// 2^−125 of its amplitude product too high (kRaisedTermBound).
inline constexpr float kLowestExponent = -125.0f;
inline constexpr double kRaisedTermBound = 2.4e-38;  // > 2^−125
static_assert(kMaxCutoff * 1.0001 * -kFirstRateLog2 < -kLowestExponent);

// 2^f − 1 = f·Q(f) on [−0.5, 0.5], Q of degree 4 fitted at Chebyshev nodes: relative error
// below 3e-7 for 2^f and below 6e-7 for 2^f − 1 (so that near-unison pairs, where the two
// exponentials almost cancel, keep their relative precision).
inline constexpr float kExp2Q0 = 0.693147182f;
inline constexpr float kExp2Q1 = 0.240223497f;
inline constexpr float kExp2Q2 = 0.0555038117f;
inline constexpr float kExp2Q3 = 0.00966636837f;
inline constexpr float kExp2Q4 = 0.00133813021f;
// Adding 1.5·2^23 rounds a float of magnitude below 2^22 to an integer n, which then sits in
// the low mantissa bits of the sum; with the exponent bias 127 added as well, those bits
// shifted left by 23 are exactly the float 2^n (the higher bits shift out).
inline constexpr float kRoundingShift = 12582912.0f + 127.0f;

double sum_rows_portable(const Row* rows, int32_t count, const Columns& columns);

// Only for processors with AVX2 and FMA (cpu_has_avx2_fma).
double sum_rows_avx2(const Row* rows, int32_t count, const Columns& columns);

bool cpu_has_avx2_fma();

}  // namespace kelvara::roughness_rows
