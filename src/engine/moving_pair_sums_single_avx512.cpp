// The moving pairs sixteen at a time in 32-bit floats with AVX-512: the same arithmetic as
// the AVX2 build of the guide's sums (moving_pair_sums_single_avx2.cpp), twice as wide. Every
// function carries the target attribute itself and runs only where cpu_has_avx512() said yes.
#include "engine/avx512_intrinsics.h"

#include "engine/moving_pair_sums.h"
#include "engine/moving_pair_terms.h"
#include "engine/roughness_rows.h"

namespace kelvara::moving_pair_sums {
namespace {

using namespace moving_pair_terms;
namespace rr = roughness_rows;

#define KELVARA_AVX512 __attribute__((target("avx512f,avx512dq"), always_inline)) inline

struct Powers16 {
    __m512 first;             // e^(−3.5 s)
    __m512 shared_minus_one;  // e^(−2.25 s) − 1
};

KELVARA_AVX512 __m512 exp2_minus_one_reduced(__m512 f) {
    __m512 q = _mm512_set1_ps(rr::kExp2Q4);
    q = _mm512_fmadd_ps(q, f, _mm512_set1_ps(rr::kExp2Q3));
    q = _mm512_fmadd_ps(q, f, _mm512_set1_ps(rr::kExp2Q2));
    q = _mm512_fmadd_ps(q, f, _mm512_set1_ps(rr::kExp2Q1));
    q = _mm512_fmadd_ps(q, f, _mm512_set1_ps(rr::kExp2Q0));
    return _mm512_mul_ps(f, q);
}

struct Split16 {
    __m512 power_of_two;  // 2^n
    __m512 fraction;      // t − n, in [−0.5, 0.5]
};

// t = n + fraction with n an integer, for t in [rr::kLowestExponent, 0].
KELVARA_AVX512 Split16 split16(__m512 t) {
    const __m512 shift = _mm512_set1_ps(rr::kRoundingShift);
    const __m512 shifted = _mm512_add_ps(t, shift);
    return {_mm512_castsi512_ps(_mm512_slli_epi32(_mm512_castps_si512(shifted), 23)),
            _mm512_sub_ps(t, _mm512_sub_ps(shifted, shift))};
}

KELVARA_AVX512 Powers16 powers16(__m512 s) {
    const __m512 t = _mm512_max_ps(_mm512_mul_ps(s, _mm512_set1_ps(rr::kFirstRateLog2)),
                                   _mm512_set1_ps(rr::kLowestExponent));
    const Split16 first = split16(t);
    const Split16 shared = split16(_mm512_mul_ps(t, _mm512_set1_ps(rr::kSharedRateRatio)));
    // 2^n·(1 + m) − 1 = 2^n·m + (2^n − 1): exact for n = 0, where the two nearly cancel.
    return {_mm512_fmadd_ps(first.power_of_two, exp2_minus_one_reduced(first.fraction),
                            first.power_of_two),
            _mm512_fmadd_ps(shared.power_of_two, exp2_minus_one_reduced(shared.fraction),
                            _mm512_sub_ps(shared.power_of_two, _mm512_set1_ps(1.0f)))};
}

// sum + w·(e^(−3.5 s) − e^(−5.75 s)) = sum − w·first·(e^(−2.25 s) − 1).
KELVARA_AVX512 __m512 add_value(__m512 sum, __m512 w, const Powers16& p) {
    return _mm512_fnmadd_ps(_mm512_mul_ps(w, p.first), p.shared_minus_one, sum);
}

// The derivative in s: 5.75·first·(1 + m) − 3.5·first = first·(2.25 + 5.75·m).
KELVARA_AVX512 __m512 slope_in_s(const Powers16& p) {
    return _mm512_mul_ps(
        p.first, _mm512_fmadd_ps(_mm512_set1_ps(5.75f), p.shared_minus_one, _mm512_set1_ps(2.25f)));
}

// The sixteen weights from index j on. The loops read on past a range to a whole vector: the
// pairs there are further apart than the range's (their terms are below the least it keeps,
// and counting them is no less exact), or the padding's, whose weight is 0.
KELVARA_AVX512 __m512 weights16(__m512 a_m, const float* amplitude, int32_t j,
                                RoughnessModel model) {
    const __m512 a = _mm512_loadu_ps(amplitude + j);
    return model == RoughnessModel::Product ? _mm512_mul_ps(a_m, a) : _mm512_min_ps(a_m, a);
}

// Float lanes added into 64-bit ones.
KELVARA_AVX512 __m512d widened_sum(__m512d sum, __m512 v) {
    return _mm512_add_pd(_mm512_add_pd(sum, _mm512_cvtps_pd(_mm512_castps512_ps256(v))),
                         _mm512_cvtps_pd(_mm512_extractf32x8_ps(v, 1)));
}

KELVARA_AVX512 double horizontal_sum(__m512d v) {
    return _mm512_reduce_add_pd(v);
}

template <bool kSlopes>
__attribute__((target("avx512f,avx512dq"))) Sums sums_single_avx512(const MovingSet& set,
                                                                    double scale) {
    const Columns& movers = set.movers;
    const Columns& stills = set.stills;
    const __m512 one = _mm512_set1_ps(1.0f);
    __m512d total = _mm512_setzero_pd(), total_below = total, total_above = total;
    for (int32_t i = 0; i < movers.size(); ++i) {
        const double m_hz = movers.hz[i] * scale;
        const double reach_hz = reach(m_hz);
        const __m512 m = _mm512_set1_ps(float(m_hz));
        const __m512 reach_m = _mm512_set1_ps(float(reach_hz));
        const __m512 m_per_t = _mm512_set1_ps(float(m_hz * kLnTwoPerCent));
        const __m512 a_m = _mm512_set1_ps(float(movers.amplitude[i]));
        const __m512 lower_base = _mm512_set1_ps(float(-m_hz * kLnTwoPerCent * reach_hz));
        const __m512 lower_growth = _mm512_set1_ps(float(kReachCurvature * reach_hz));
        __m512 value = _mm512_setzero_ps(), below = value, above = value;
        for (int32_t j = set.first_still[i]; j < set.last_still[i]; j += 16) {
            const __m512 o = _mm512_loadu_ps(stills.hz_single.data() + j);
            const __m512 reach_o = _mm512_loadu_ps(stills.reach_single.data() + j);
            const __m512 gap = _mm512_abs_ps(_mm512_sub_ps(m, o));
            const Powers16 p = powers16(_mm512_mul_ps(gap, _mm512_max_ps(reach_m, reach_o)));
            const __m512 w = weights16(a_m, stills.amplitude_single.data(), j, set.model);
            value = add_value(value, w, p);
            if constexpr (!kSlopes) continue;
            const __m512 as_upper = _mm512_mul_ps(m_per_t, reach_o);
            const __m512 as_lower =
                _mm512_mul_ps(lower_base, _mm512_fmadd_ps(lower_growth, gap, one));
            // Partials that round to one float meet: within a float's precision of a cusp
            // the search cannot tell the two sides apart, and the 64-bit pass decides.
            const __mmask16 meeting = _mm512_cmp_ps_mask(gap, _mm512_setzero_ps(), _CMP_EQ_OQ);
            const __mmask16 mover_above = _mm512_cmp_ps_mask(m, o, _CMP_GT_OQ);
            const __mmask16 upper_below = __mmask16(~meeting & mover_above);
            const __mmask16 upper_above = __mmask16(meeting | mover_above);
            const __m512 w_slope = _mm512_mul_ps(w, slope_in_s(p));
            below = _mm512_fmadd_ps(w_slope, _mm512_mask_blend_ps(upper_below, as_lower, as_upper),
                                    below);
            above = _mm512_fmadd_ps(w_slope, _mm512_mask_blend_ps(upper_above, as_lower, as_upper),
                                    above);
        }
        // Movers above this one: both rise together, d s/d t = gap · q.
        const __m512 q = _mm512_set1_ps(
            float(kLnTwoPerCent * reach_hz * (1.0 - kReachCurvature * reach_hz * m_hz)));
        const __m512 scale8 = _mm512_set1_ps(float(scale));
        __m512 both = _mm512_setzero_ps();
        for (int32_t j = i + 1; j < set.last_mover[i]; j += 16) {
            const __m512 o = _mm512_mul_ps(_mm512_loadu_ps(movers.hz_single.data() + j), scale8);
            const __m512 gap = _mm512_sub_ps(o, m);
            const Powers16 p = powers16(_mm512_mul_ps(gap, reach_m));
            const __m512 w = weights16(a_m, movers.amplitude_single.data(), j, set.model);
            value = add_value(value, w, p);
            if constexpr (!kSlopes) continue;
            both = _mm512_fmadd_ps(_mm512_mul_ps(w, slope_in_s(p)), _mm512_mul_ps(gap, q), both);
        }
        total = widened_sum(total, value);
        if constexpr (!kSlopes) continue;
        total_below = widened_sum(total_below, _mm512_add_ps(below, both));
        total_above = widened_sum(total_above, _mm512_add_ps(above, both));
    }
    return {horizontal_sum(total), horizontal_sum(total_below), horizontal_sum(total_above)};
}

}  // namespace

Sums sum_moving_single_avx512(const MovingSet& set, double scale) {
    return sums_single_avx512<true>(set, scale);
}
double sum_moving_value_single_avx512(const MovingSet& set, double scale) {
    return sums_single_avx512<false>(set, scale).value;
}

}  // namespace kelvara::moving_pair_sums
