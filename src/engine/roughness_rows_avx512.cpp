// The row sums sixteen pairs at a time with AVX-512: two blocks, or sixteen neighbouring
// pairs of a diagonal, per instruction. The same arithmetic as the AVX2 build, twice as wide;
// every function carries the target attribute itself and runs only where
// cpu_has_avx512() said yes.
#include "engine/avx512_intrinsics.h"

#include <algorithm>

#include "engine/roughness_rows.h"

namespace kelvara::roughness_rows {
namespace {

constexpr int32_t kLanes = 16;

#define KELVARA_AVX512 __attribute__((target("avx512f,avx512dq"), always_inline)) inline

struct SplitExponents {
    __m512 fraction;      // each in [−0.5, 0.5]
    __m512 power_of_two;  // 2^n
};

// t = n + fraction with n an integer, for t in [kLowestExponent, 0].
KELVARA_AVX512 SplitExponents split(__m512 t) {
    const __m512 shift = _mm512_set1_ps(kRoundingShift);
    const __m512 shifted = _mm512_add_ps(t, shift);
    const __m512 fraction = _mm512_sub_ps(t, _mm512_sub_ps(shifted, shift));
    return {fraction, _mm512_castsi512_ps(_mm512_slli_epi32(_mm512_castps_si512(shifted), 23))};
}

// 2^f − 1 for f in [−0.5, 0.5].
KELVARA_AVX512 __m512 exp2_minus_one_reduced(__m512 f) {
    __m512 q = _mm512_set1_ps(kExp2Q4);
    q = _mm512_fmadd_ps(q, f, _mm512_set1_ps(kExp2Q3));
    q = _mm512_fmadd_ps(q, f, _mm512_set1_ps(kExp2Q2));
    q = _mm512_fmadd_ps(q, f, _mm512_set1_ps(kExp2Q1));
    q = _mm512_fmadd_ps(q, f, _mm512_set1_ps(kExp2Q0));
    return _mm512_mul_ps(f, q);
}

// sum + a · (e^(−3.5 s) − e^(−5.75 s)) from the first exponent t = log2(e^(−3.5 s)), as
// a · e^(−3.5 s) · (1 − e^(−2.25 s)), with t raised to at least kLowestExponent.
KELVARA_AVX512 __m512 add_weighted_roughness(__m512 sum, __m512 t, __m512 amplitude) {
    t = _mm512_max_ps(t, _mm512_set1_ps(kLowestExponent));
    const SplitExponents first = split(t);
    const __m512 first_exp = _mm512_fmadd_ps(
        first.power_of_two, exp2_minus_one_reduced(first.fraction), first.power_of_two);
    const SplitExponents shared = split(_mm512_mul_ps(t, _mm512_set1_ps(kSharedRateRatio)));
    // 2^n·(1 + m) − 1 = 2^n·m + (2^n − 1): exact for n = 0, where the two nearly cancel.
    const __m512 shared_minus_one =
        _mm512_fmadd_ps(shared.power_of_two, exp2_minus_one_reduced(shared.fraction),
                        _mm512_sub_ps(shared.power_of_two, _mm512_set1_ps(1.0f)));
    return _mm512_fnmadd_ps(_mm512_mul_ps(amplitude, first_exp), shared_minus_one, sum);
}

// The first exponent of each pair: |f_j − f_i| times the lower partial's exponent scale.
KELVARA_AVX512 __m512 first_exponents(__m512 frequency, __m512 scale, __m512 other_frequency,
                                      __m512 other_scale) {
    return _mm512_mul_ps(_mm512_abs_ps(_mm512_sub_ps(other_frequency, frequency)),
                         _mm512_min_ps(scale, other_scale));
}

// Eight floats from `low` in the lower half and eight from `high` in the upper.
KELVARA_AVX512 __m512 load_halves(const float* low, const float* high) {
    return _mm512_insertf32x8(_mm512_castps256_ps512(_mm256_loadu_ps(low)), _mm256_loadu_ps(high),
                              1);
}

KELVARA_AVX512 __m512 broadcast_halves(const float* low, const float* high) {
    return _mm512_insertf32x8(_mm512_castps256_ps512(_mm256_broadcast_ss(low)),
                              _mm256_broadcast_ss(high), 1);
}

// The weights of pairs: the amplitudes' product or their minimum.
template <RoughnessModel kModel>
KELVARA_AVX512 __m512 pair_weights(__m512 a, __m512 b) {
    return kModel == RoughnessModel::Minimum ? _mm512_min_ps(a, b) : _mm512_mul_ps(a, b);
}

// Blocks a and b side by side; b's amplitudes are zeroed when `b_counts` is false.
template <RoughnessModel kModel>
KELVARA_AVX512 __m512 add_two_blocks(__m512 sum, const Block& a, const Block& b, bool b_counts,
                                     const Columns& rows, const Columns& columns) {
    const __m512 t = first_exponents(
        broadcast_halves(rows.frequency + a.row, rows.frequency + b.row),
        broadcast_halves(rows.exponent_scale + a.row, rows.exponent_scale + b.row),
        load_halves(columns.frequency + a.column, columns.frequency + b.column),
        load_halves(columns.exponent_scale + a.column, columns.exponent_scale + b.column));
    __m512 amplitude = pair_weights<kModel>(
        load_halves(columns.amplitude + a.column, columns.amplitude + b.column),
        broadcast_halves(rows.amplitude + a.row, rows.amplitude + b.row));
    if (!b_counts) amplitude = _mm512_maskz_mov_ps(0x00ff, amplitude);
    return add_weighted_roughness(sum, t, amplitude);
}

// The sixteen float lanes as eight 64-bit sums of two.
KELVARA_AVX512 __m512d widen_and_add(__m512 lanes) {
    return _mm512_add_pd(_mm512_cvtps_pd(_mm512_castps512_ps256(lanes)),
                         _mm512_cvtps_pd(_mm512_extractf32x8_ps(lanes, 1)));
}

// Pairs of blocks summed in float lanes between two 64-bit accumulations, as in the AVX2
// build.
constexpr int32_t kBlocksPerChunk = 32;

template <RoughnessModel kModel>
KELVARA_AVX512 double sum_blocks(const Block* blocks, int32_t count, const Columns& rows,
                                 const Columns& columns) {
    __m512d total = _mm512_setzero_pd();
    for (int32_t first = 0; first < count; first += kBlocksPerChunk) {
        const int32_t end = std::min(count, first + kBlocksPerChunk);
        __m512 sum = _mm512_setzero_ps();
        int32_t b = first;
        for (; b + 1 < end; b += 2)
            sum = add_two_blocks<kModel>(sum, blocks[b], blocks[b + 1], true, rows, columns);
        if (b < end) sum = add_two_blocks<kModel>(sum, blocks[b], blocks[b], false, rows, columns);
        total = _mm512_add_pd(total, widen_and_add(sum));
    }
    return _mm512_reduce_add_pd(total);
}

template <RoughnessModel kModel>
KELVARA_AVX512 double sum_near_pairs(const Columns& list, int32_t count, const int32_t* first_row,
                                     int32_t max_offset) {
    __m512d total = _mm512_setzero_pd();
    for (int32_t d = 1; d <= max_offset; ++d) {
        __m512 sum = _mm512_setzero_ps();
        // The last block runs past count − d into the padding, whose amplitudes are 0.
        for (int32_t i = first_row[d]; i + d < count; i += kLanes) {
            const int32_t j = i + d;
            const __m512 t = first_exponents(
                _mm512_loadu_ps(list.frequency + i), _mm512_loadu_ps(list.exponent_scale + i),
                _mm512_loadu_ps(list.frequency + j), _mm512_loadu_ps(list.exponent_scale + j));
            const __m512 amplitude = pair_weights<kModel>(_mm512_loadu_ps(list.amplitude + i),
                                                          _mm512_loadu_ps(list.amplitude + j));
            sum = add_weighted_roughness(sum, t, amplitude);
        }
        total = _mm512_add_pd(total, widen_and_add(sum));
    }
    return _mm512_reduce_add_pd(total);
}

}  // namespace

__attribute__((target("avx512f,avx512dq"))) double sum_blocks_avx512(const Block* blocks,
                                                                     int32_t count,
                                                                     const Columns& rows,
                                                                     const Columns& columns,
                                                                     RoughnessModel model) {
    return model == RoughnessModel::Minimum
               ? sum_blocks<RoughnessModel::Minimum>(blocks, count, rows, columns)
               : sum_blocks<RoughnessModel::Product>(blocks, count, rows, columns);
}

__attribute__((target("avx512f,avx512dq"))) double sum_near_pairs_avx512(const Columns& list,
                                                                         int32_t count,
                                                                         const int32_t* first_row,
                                                                         int32_t max_offset,
                                                                         RoughnessModel model) {
    return model == RoughnessModel::Minimum
               ? sum_near_pairs<RoughnessModel::Minimum>(list, count, first_row, max_offset)
               : sum_near_pairs<RoughnessModel::Product>(list, count, first_row, max_offset);
}

bool cpu_has_avx512() {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
}

}  // namespace kelvara::roughness_rows
