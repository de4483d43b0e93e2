// The row sums eight pairs at a time with AVX2 and FMA. Every function that uses those
// instructions carries the target attribute itself, so this file builds with the project's
// ordinary flags and runs only where cpu_has_avx2_fma() said yes.
#include <immintrin.h>

#include <algorithm>
#include <limits>

#include "engine/roughness_rows.h"

namespace kelvara::roughness_rows {
namespace {

constexpr int32_t kLanes = 8;

#define KELVARA_AVX2 __attribute__((target("avx2,fma"), always_inline)) inline

struct SplitExponents {
    __m256 fraction;      // each in [−0.5, 0.5]
    __m256 power_of_two;  // 2^n
};

// t = n + fraction with n an integer, for t in [kLowestExponent, 0].
KELVARA_AVX2 SplitExponents split(__m256 t) {
    const __m256 shift = _mm256_set1_ps(kRoundingShift);
    const __m256 shifted = _mm256_add_ps(t, shift);
    const __m256 fraction = _mm256_sub_ps(t, _mm256_sub_ps(shifted, shift));
    return {fraction, _mm256_castsi256_ps(_mm256_slli_epi32(_mm256_castps_si256(shifted), 23))};
}

// 2^f − 1 for f in [−0.5, 0.5].
KELVARA_AVX2 __m256 exp2_minus_one_reduced(__m256 f) {
    __m256 q = _mm256_set1_ps(kExp2Q4);
    q = _mm256_fmadd_ps(q, f, _mm256_set1_ps(kExp2Q3));
    q = _mm256_fmadd_ps(q, f, _mm256_set1_ps(kExp2Q2));
    q = _mm256_fmadd_ps(q, f, _mm256_set1_ps(kExp2Q1));
    q = _mm256_fmadd_ps(q, f, _mm256_set1_ps(kExp2Q0));
    return _mm256_mul_ps(f, q);
}

// sum + a · (e^(−3.5 s) − e^(−5.75 s)) from the first exponent t = log2(e^(−3.5 s)),
// computed as a · e^(−3.5 s) · (1 − e^(−2.25 s)). t must be at least kLowestExponent.
KELVARA_AVX2 __m256 add_weighted_roughness(__m256 sum, __m256 t, __m256 amplitude) {
    const SplitExponents first = split(t);
    const __m256 first_exp = _mm256_fmadd_ps(
        first.power_of_two, exp2_minus_one_reduced(first.fraction), first.power_of_two);
    const SplitExponents shared = split(_mm256_mul_ps(t, _mm256_set1_ps(kSharedRateRatio)));
    // 2^n·(1 + m) − 1 = 2^n·m + (2^n − 1): exact for n = 0, where the two nearly cancel.
    const __m256 shared_minus_one =
        _mm256_fmadd_ps(shared.power_of_two, exp2_minus_one_reduced(shared.fraction),
                        _mm256_sub_ps(shared.power_of_two, _mm256_set1_ps(1.0f)));
    return _mm256_fnmadd_ps(_mm256_mul_ps(amplitude, first_exp), shared_minus_one, sum);
}

// The first exponents of the row's partial against columns j .. j + 7.
KELVARA_AVX2 __m256 first_exponents(const Columns& columns, int32_t j, __m256 frequency,
                                    __m256 scale) {
    const __m256 magnitude_mask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    const __m256 distance = _mm256_and_ps(
        _mm256_sub_ps(_mm256_loadu_ps(columns.frequency + j), frequency), magnitude_mask);
    return _mm256_mul_ps(distance,
                         _mm256_min_ps(_mm256_loadu_ps(columns.exponent_scale + j), scale));
}

// Blocks summed in float lanes between two 64-bit accumulations: few enough that the
// float sum loses nothing that matters, many enough that the widening costs little.
constexpr int32_t kBlocksPerChunk = 32;

// The weights of a row's (or one list's) pairs: the amplitudes' product or their minimum.
template <RoughnessModel kModel>
KELVARA_AVX2 __m256 pair_weights(__m256 a, __m256 b) {
    return kModel == RoughnessModel::Minimum ? _mm256_min_ps(a, b) : _mm256_mul_ps(a, b);
}

template <RoughnessModel kModel>
KELVARA_AVX2 __m256 chunk_lanes(const Block* blocks, int32_t count, const Columns& rows,
                                const Columns& columns) {
    const __m256 lowest = _mm256_set1_ps(kLowestExponent);
    __m256 sum = _mm256_setzero_ps();
    for (int32_t b = 0; b < count; ++b) {
        const Block& block = blocks[b];
        const __m256 t = _mm256_max_ps(
            first_exponents(columns, block.column, _mm256_broadcast_ss(rows.frequency + block.row),
                            _mm256_broadcast_ss(rows.exponent_scale + block.row)),
            lowest);
        const __m256 amplitude =
            pair_weights<kModel>(_mm256_loadu_ps(columns.amplitude + block.column),
                                 _mm256_broadcast_ss(rows.amplitude + block.row));
        sum = add_weighted_roughness(sum, t, amplitude);
    }
    return sum;
}

// The eight float lanes as four 64-bit sums of two.
KELVARA_AVX2 __m256d widen_and_add(__m256 lanes) {
    return _mm256_add_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(lanes)),
                         _mm256_cvtps_pd(_mm256_extractf128_ps(lanes, 1)));
}

KELVARA_AVX2 double horizontal_sum(__m256d v) {
    const __m128d halves = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
    return _mm_cvtsd_f64(_mm_add_sd(halves, _mm_unpackhi_pd(halves, halves)));
}

template <RoughnessModel kModel>
KELVARA_AVX2 double sum_block_list(const Block* blocks, int32_t count, const Columns& rows,
                                   const Columns& columns) {
    __m256d total = _mm256_setzero_pd();
    for (int32_t first = 0; first < count; first += kBlocksPerChunk) {
        const int32_t chunk = std::min(kBlocksPerChunk, count - first);
        total = _mm256_add_pd(
            total, widen_and_add(chunk_lanes<kModel>(blocks + first, chunk, rows, columns)));
    }
    return horizontal_sum(total);
}

template <RoughnessModel kModel>
KELVARA_AVX2 double near_pairs(const Columns& list, int32_t count, const int32_t* first_row,
                               int32_t max_offset) {
    const __m256 lowest = _mm256_set1_ps(kLowestExponent);
    const __m256 magnitude_mask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    __m256d total = _mm256_setzero_pd();
    for (int32_t d = 1; d <= max_offset; ++d) {
        __m256 sum = _mm256_setzero_ps();
        // The last block runs past count − d: its pairs there reach into the padding, whose
        // amplitudes are 0.
        for (int32_t i = first_row[d]; i + d < count; i += kLanes) {
            const int32_t j = i + d;
            const __m256 distance =
                _mm256_and_ps(_mm256_sub_ps(_mm256_loadu_ps(list.frequency + j),
                                            _mm256_loadu_ps(list.frequency + i)),
                              magnitude_mask);
            const __m256 scale = _mm256_min_ps(_mm256_loadu_ps(list.exponent_scale + i),
                                               _mm256_loadu_ps(list.exponent_scale + j));
            const __m256 t = _mm256_max_ps(_mm256_mul_ps(distance, scale), lowest);
            const __m256 amplitude = pair_weights<kModel>(_mm256_loadu_ps(list.amplitude + i),
                                                          _mm256_loadu_ps(list.amplitude + j));
            sum = add_weighted_roughness(sum, t, amplitude);
        }
        total = _mm256_add_pd(total, widen_and_add(sum));
    }
    return horizontal_sum(total);
}

}  // namespace

__attribute__((target("avx2,fma"))) double sum_blocks_avx2(const Block* blocks, int32_t count,
                                                           const Columns& rows,
                                                           const Columns& columns,
                                                           RoughnessModel model) {
    return model == RoughnessModel::Minimum
               ? sum_block_list<RoughnessModel::Minimum>(blocks, count, rows, columns)
               : sum_block_list<RoughnessModel::Product>(blocks, count, rows, columns);
}

__attribute__((target("avx2,fma"))) double sum_near_pairs_avx2(const Columns& list, int32_t count,
                                                               const int32_t* first_row,
                                                               int32_t max_offset,
                                                               RoughnessModel model) {
    return model == RoughnessModel::Minimum
               ? near_pairs<RoughnessModel::Minimum>(list, count, first_row, max_offset)
               : near_pairs<RoughnessModel::Product>(list, count, first_row, max_offset);
}

__attribute__((target("avx2,fma"))) bool place_ascending_avx2(const float* from, float* to,
                                                              float* scale, int32_t count) {
    // Multiply, add, divide, multiply, each rounded, exactly as exponent_scale() does.
    const __m256 numerator = _mm256_set1_ps(roughness::kNumerator);
    const __m256 slope = _mm256_set1_ps(roughness::kBandwidthSlope);
    const __m256 offset = _mm256_set1_ps(roughness::kBandwidthOffset);
    const __m256 rate = _mm256_set1_ps(kFirstRateLog2);
    const __m256 largest = _mm256_set1_ps(std::numeric_limits<float>::max());
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i one_lane_up = _mm256_setr_epi32(7, 0, 1, 2, 3, 4, 5, 6);
    __m256 previous_last = _mm256_setzero_ps();  // the first frequency must be at least 0
    __m256 failed = _mm256_setzero_ps();
    for (int32_t i = 0; i < count; i += kLanes) {
        // Lanes past the end read nothing and hold 0.
        const __m256i valid = _mm256_cmpgt_epi32(_mm256_set1_epi32(count - i), lanes);
        const __m256 frequency = _mm256_maskload_ps(from + i, valid);
        _mm256_storeu_ps(to + i, frequency);
        const __m256 bandwidth = _mm256_add_ps(_mm256_mul_ps(slope, frequency), offset);
        _mm256_storeu_ps(scale + i, _mm256_mul_ps(_mm256_div_ps(numerator, bandwidth), rate));
        // Each lane against the one before it, the first against the previous block's last.
        const __m256 previous =
            _mm256_blend_ps(_mm256_permutevar8x32_ps(frequency, one_lane_up), previous_last, 1);
        const __m256 in_order = _mm256_and_ps(_mm256_cmp_ps(frequency, previous, _CMP_GE_OQ),
                                              _mm256_cmp_ps(frequency, largest, _CMP_LE_OQ));
        failed = _mm256_or_ps(failed, _mm256_andnot_ps(in_order, _mm256_castsi256_ps(valid)));
        previous_last = _mm256_permutevar8x32_ps(frequency, _mm256_set1_epi32(7));
    }
    return _mm256_movemask_ps(failed) == 0;
}

__attribute__((target("avx2,fma"))) bool all_within_avx2(const float* values, const float* low,
                                                         const float* high, int32_t count) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256 outside = _mm256_setzero_ps();
    for (int32_t i = 0; i < count; i += kLanes) {
        const __m256i valid = _mm256_cmpgt_epi32(_mm256_set1_epi32(count - i), lanes);
        const __m256 value = _mm256_maskload_ps(values + i, valid);
        const __m256 inside =
            _mm256_and_ps(_mm256_cmp_ps(value, _mm256_maskload_ps(low + i, valid), _CMP_GE_OQ),
                          _mm256_cmp_ps(value, _mm256_maskload_ps(high + i, valid), _CMP_LE_OQ));
        outside = _mm256_or_ps(outside, _mm256_andnot_ps(inside, _mm256_castsi256_ps(valid)));
    }
    return _mm256_movemask_ps(outside) == 0;
}

bool cpu_has_avx2_fma() {
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

}  // namespace kelvara::roughness_rows
