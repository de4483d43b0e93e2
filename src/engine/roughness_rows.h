#pragma once
// The inner loop of the fast dissonance kernel, in two builds with one contract: a portable
// one and one for processors with AVX2 and FMA (8 pairs at a time).
//
// A block is one partial paired with eight consecutive "columns", partials held as
// structure-of-arrays. For a list of blocks the loop returns
//     Σ_blocks Σ_{j in block} w(a_block, a[j]) · (e^(−3.5 s) − e^(−5.75 s)),
// s = 0.24·|f_block − f[j]| / (0.021·min(f_block, f[j]) + 19), every pair once (callers
// double); the weight w is the amplitudes' product or their minimum (roughness_model.h). One
// flat loop over blocks runs at the same speed whatever the rows' lengths.
//
// Instead of s the loop takes each partial's exponent scale (exponent_scale below): the
// log2 of e^(−3.5 s) per hertz of distance when that partial is the lower one. The bandwidth
// term only grows with frequency, so the scale of the lower partial of a pair is the more
// negative of the two, and a pair costs no division.
#include <cstdint>

#include "engine/dissonance_kernel.h"

namespace kelvara::roughness_rows {

// Every column array holds this many padding entries past its last column: frequency 0,
// amplitude 0 (see Block).
inline constexpr int32_t kPadding = 16;

struct Columns {
    const float* frequency = nullptr;       // hertz, finite and not negative
    const float* exponent_scale = nullptr;  // exponent_scale(frequency)
    const float* amplitude = nullptr;
};

// One row partial paired with the eight columns [column, column + 8), weighted by its
// amplitude. A row of the kernel (a partial and the range of columns it keeps) becomes one
// block per eight columns; its last block runs on into the next columns or the padding, so a
// row must be one whose pairs with those columns belong to the sum too (they are then
// simply not left out), and the blocks of one call must count every pair at most once.
// Blocks name their row rather than copy it, so that a list of blocks stays good while the
// rows' partials move.
struct Block {
    int32_t row;
    int32_t column;
};
inline constexpr int32_t kBlockColumns = 8;

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

// The largest roughness exponent s of a pair inside a row's range of columns (callers may
// widen the ranges by a relative 1e-4 for rounding). Beyond s = 17.5 a term is below
// e^(−61) ≈ 3e-27 of its amplitude product.
inline constexpr double kMaxCutoff = 17.5;
// Exponents below this (in base 2) are raised to it. Only columns a block reads past its
// row's range can be that low; each such term then comes out at most 2^−90 of its amplitude
// product too high (kRaisedTermBound). The point is speed: with the smallest amplitude
// products (about 2^−31) the terms stay normal floats, and the processor never takes its
// slow path for subnormal numbers.
inline constexpr float kLowestExponent = -90.0f;
inline constexpr double kRaisedTermBound = 8.1e-28;  // > 2^−90
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

// Σ_blocks Σ_columns w(rows.amplitude[row], a[j])·(e^(−3.5 s) − e^(−5.75 s)).
double sum_blocks_portable(const Block* blocks, int32_t count, const Columns& rows,
                           const Columns& columns, RoughnessModel model);

// Only for processors with AVX2 and FMA (cpu_has_avx2_fma).
double sum_blocks_avx2(const Block* blocks, int32_t count, const Columns& rows,
                       const Columns& columns, RoughnessModel model);

// The pairs of one ascending list whose indices differ by 1 to max_offset, each diagonal of
// the pair matrix from the row first_row[d] on:
//   Σ_{d = 1 .. max_offset} Σ_{first_row[d] ≤ i < count − d} w(a[i], a[i+d])·(e^(−3.5 s) −
//   e^(−5.75 s)).
// Eight neighbouring pairs at a time along each diagonal, with no per-row bookkeeping: for
// the short ranges inside one tone this beats rows of blocks.
double sum_near_pairs_portable(const Columns& list, int32_t count, const int32_t* first_row,
                               int32_t max_offset, RoughnessModel model);
double sum_near_pairs_avx2(const Columns& list, int32_t count, const int32_t* first_row,
                           int32_t max_offset, RoughnessModel model);

// Copies the frequencies from[0, count) to `to` and their exponent scales (bit for bit) to
// `scale`; both may also be written up to eight entries further. True when the copied
// frequencies ascend from 0 up to the largest float (NaN and infinity fail): the list an
// ordinary sweep tone gives.
bool place_ascending_portable(const float* from, float* to, float* scale, int32_t count);
bool place_ascending_avx2(const float* from, float* to, float* scale, int32_t count);

// Whether low[i] ≤ values[i] ≤ high[i] for every i < count (NaN is outside).
bool all_within_portable(const float* values, const float* low, const float* high, int32_t count);
bool all_within_avx2(const float* values, const float* low, const float* high, int32_t count);

bool cpu_has_avx2_fma();

// Sixteen pairs at a time, only for processors with AVX-512 F and DQ (cpu_has_avx512); the
// blocks go two by two.
double sum_blocks_avx512(const Block* blocks, int32_t count, const Columns& rows,
                         const Columns& columns, RoughnessModel model);
double sum_near_pairs_avx512(const Columns& list, int32_t count, const int32_t* first_row,
                             int32_t max_offset, RoughnessModel model);
bool cpu_has_avx512();

}  // namespace kelvara::roughness_rows
