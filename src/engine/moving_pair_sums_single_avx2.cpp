// The moving pairs eight at a time in 32-bit floats with AVX2 and FMA: the sums the search
// finds its way with before it lands with the 64-bit ones. The exponentials are the fast
// curve kernel's (roughness_rows.h): e^(−3.5 s)·(1 − e^(−2.25 s)), so that near-unison pairs,
// where the two terms almost cancel, keep their relative precision. Each mover's pairs are
// summed in float lanes and added in 64 bits. Every function that uses those instructions
// carries the target attribute itself, so this file builds with the project's ordinary flags
// and runs only where cpu_has_avx2_fma() said yes.
#include <immintrin.h>

#include "engine/moving_pair_sums.h"
#include "engine/moving_pair_terms.h"
#include "engine/roughness_rows.h"

namespace kelvara::moving_pair_sums {
namespace {

using namespace moving_pair_terms;
namespace rr = roughness_rows;

#define KELVARA_AVX2 __attribute__((target("avx2,fma"), always_inline)) inline

struct Powers8 {
    __m256 first;             // e^(−3.5 s)
    __m256 shared_minus_one;  // e^(−2.25 s) − 1
};

KELVARA_AVX2 __m256 exp2_minus_one_reduced(__m256 f) {
    __m256 q = _mm256_set1_ps(rr::kExp2Q4);
    q = _mm256_fmadd_ps(q, f, _mm256_set1_ps(rr::kExp2Q3));
    q = _mm256_fmadd_ps(q, f, _mm256_set1_ps(rr::kExp2Q2));
    q = _mm256_fmadd_ps(q, f, _mm256_set1_ps(rr::kExp2Q1));
    q = _mm256_fmadd_ps(q, f, _mm256_set1_ps(rr::kExp2Q0));
    return _mm256_mul_ps(f, q);
}

struct Split8 {
    __m256 power_of_two;  // 2^n
    __m256 fraction;      // t − n, in [−0.5, 0.5]
};

// t = n + fraction with n an integer, for t in [rr::kLowestExponent, 0].
KELVARA_AVX2 Split8 split8(__m256 t) {
    const __m256 shift = _mm256_set1_ps(rr::kRoundingShift);
    const __m256 shifted = _mm256_add_ps(t, shift);
    return {_mm256_castsi256_ps(_mm256_slli_epi32(_mm256_castps_si256(shifted), 23)),
            _mm256_sub_ps(t, _mm256_sub_ps(shifted, shift))};
}

KELVARA_AVX2 Powers8 powers8(__m256 s) {
    const __m256 t = _mm256_max_ps(_mm256_mul_ps(s, _mm256_set1_ps(rr::kFirstRateLog2)),
                                   _mm256_set1_ps(rr::kLowestExponent));
    const Split8 first = split8(t);
    const Split8 shared = split8(_mm256_mul_ps(t, _mm256_set1_ps(rr::kSharedRateRatio)));
    // 2^n·(1 + m) − 1 = 2^n·m + (2^n − 1): exact for n = 0, where the two nearly cancel.
    return {_mm256_fmadd_ps(first.power_of_two, exp2_minus_one_reduced(first.fraction),
                            first.power_of_two),
            _mm256_fmadd_ps(shared.power_of_two, exp2_minus_one_reduced(shared.fraction),
                            _mm256_sub_ps(shared.power_of_two, _mm256_set1_ps(1.0f)))};
}

// sum + w·(e^(−3.5 s) − e^(−5.75 s)) = sum − w·first·(e^(−2.25 s) − 1).
KELVARA_AVX2 __m256 add_value(__m256 sum, __m256 w, const Powers8& p) {
    return _mm256_fnmadd_ps(_mm256_mul_ps(w, p.first), p.shared_minus_one, sum);
}

// The derivative in s: 5.75·first·(1 + m) − 3.5·first = first·(2.25 + 5.75·m).
KELVARA_AVX2 __m256 slope_in_s(const Powers8& p) {
    return _mm256_mul_ps(
        p.first, _mm256_fmadd_ps(_mm256_set1_ps(5.75f), p.shared_minus_one, _mm256_set1_ps(2.25f)));
}

// The eight weights from index j on. The loops read on past a range to a whole vector: the
// pairs there are further apart than the range's (their terms are below the least it keeps,
// and counting them is no less exact), or the padding's, whose weight is 0.
KELVARA_AVX2 __m256 weights8(__m256 a_m, const float* amplitude, int32_t j, RoughnessModel model) {
    const __m256 a = _mm256_loadu_ps(amplitude + j);
    return model == RoughnessModel::Product ? _mm256_mul_ps(a_m, a) : _mm256_min_ps(a_m, a);
}

// Float lanes added into 64-bit ones.
KELVARA_AVX2 __m256d widened_sum(__m256d sum, __m256 v) {
    return _mm256_add_pd(_mm256_add_pd(sum, _mm256_cvtps_pd(_mm256_castps256_ps128(v))),
                         _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)));
}

KELVARA_AVX2 double horizontal_sum(__m256d v) {
    const __m128d pair = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
    return _mm_cvtsd_f64(_mm_add_sd(pair, _mm_unpackhi_pd(pair, pair)));
}

template <bool kSlopes>
__attribute__((target("avx2,fma"))) Sums sums_single_avx2(const MovingSet& set, double scale) {
    const Columns& movers = set.movers;
    const Columns& stills = set.stills;
    const __m256 sign = _mm256_set1_ps(-0.0f);
    const __m256 one = _mm256_set1_ps(1.0f);
    __m256d total = _mm256_setzero_pd(), total_below = total, total_above = total;
    for (int32_t i = 0; i < movers.size(); ++i) {
        const double m_hz = movers.hz[i] * scale;
        const double reach_hz = reach(m_hz);
        const __m256 m = _mm256_set1_ps(float(m_hz));
        const __m256 reach_m = _mm256_set1_ps(float(reach_hz));
        const __m256 m_per_t = _mm256_set1_ps(float(m_hz * kLnTwoPerCent));
        const __m256 a_m = _mm256_set1_ps(float(movers.amplitude[i]));
        const __m256 lower_base = _mm256_set1_ps(float(-m_hz * kLnTwoPerCent * reach_hz));
        const __m256 lower_growth = _mm256_set1_ps(float(kReachCurvature * reach_hz));
        __m256 value = _mm256_setzero_ps(), below = value, above = value;
        for (int32_t j = set.first_still[i]; j < set.last_still[i]; j += 8) {
            const __m256 o = _mm256_loadu_ps(stills.hz_single.data() + j);
            const __m256 reach_o = _mm256_loadu_ps(stills.reach_single.data() + j);
            const __m256 gap = _mm256_andnot_ps(sign, _mm256_sub_ps(m, o));
            const Powers8 p = powers8(_mm256_mul_ps(gap, _mm256_max_ps(reach_m, reach_o)));
            const __m256 w = weights8(a_m, stills.amplitude_single.data(), j, set.model);
            value = add_value(value, w, p);
            if constexpr (!kSlopes) continue;
            const __m256 as_upper = _mm256_mul_ps(m_per_t, reach_o);
            const __m256 as_lower =
                _mm256_mul_ps(lower_base, _mm256_fmadd_ps(lower_growth, gap, one));
            // Partials that round to one float meet: within a float's precision of a cusp
            // the search cannot tell the two sides apart, and the 64-bit pass decides.
            const __m256 meeting = _mm256_cmp_ps(gap, _mm256_setzero_ps(), _CMP_EQ_OQ);
            const __m256 mover_above = _mm256_cmp_ps(m, o, _CMP_GT_OQ);
            const __m256 upper_below = _mm256_andnot_ps(meeting, mover_above);
            const __m256 upper_above = _mm256_or_ps(meeting, mover_above);
            const __m256 w_slope = _mm256_mul_ps(w, slope_in_s(p));
            below =
                _mm256_fmadd_ps(w_slope, _mm256_blendv_ps(as_lower, as_upper, upper_below), below);
            above =
                _mm256_fmadd_ps(w_slope, _mm256_blendv_ps(as_lower, as_upper, upper_above), above);
        }
        // Movers above this one: both rise together, d s/d t = gap · q.
        const __m256 q = _mm256_set1_ps(
            float(kLnTwoPerCent * reach_hz * (1.0 - kReachCurvature * reach_hz * m_hz)));
        const __m256 scale8 = _mm256_set1_ps(float(scale));
        __m256 both = _mm256_setzero_ps();
        for (int32_t j = i + 1; j < set.last_mover[i]; j += 8) {
            const __m256 o = _mm256_mul_ps(_mm256_loadu_ps(movers.hz_single.data() + j), scale8);
            const __m256 gap = _mm256_sub_ps(o, m);
            const Powers8 p = powers8(_mm256_mul_ps(gap, reach_m));
            const __m256 w = weights8(a_m, movers.amplitude_single.data(), j, set.model);
            value = add_value(value, w, p);
            if constexpr (!kSlopes) continue;
            both = _mm256_fmadd_ps(_mm256_mul_ps(w, slope_in_s(p)), _mm256_mul_ps(gap, q), both);
        }
        total = widened_sum(total, value);
        if constexpr (!kSlopes) continue;
        total_below = widened_sum(total_below, _mm256_add_ps(below, both));
        total_above = widened_sum(total_above, _mm256_add_ps(above, both));
    }
    return {horizontal_sum(total), horizontal_sum(total_below), horizontal_sum(total_above)};
}

}  // namespace

Sums sum_moving_single_avx2(const MovingSet& set, double scale) {
    return sums_single_avx2<true>(set, scale);
}
double sum_moving_value_single_avx2(const MovingSet& set, double scale) {
    return sums_single_avx2<false>(set, scale).value;
}

}  // namespace kelvara::moving_pair_sums
