// The moving pairs four at a time with AVX2 and FMA. Every function that uses those
// instructions carries the target attribute itself, so this file builds with the project's
// ordinary flags and runs only where cpu_has_avx2_fma() said yes.
#include <immintrin.h>

#include "engine/moving_pair_sums.h"
#include "engine/moving_pair_terms.h"

namespace kelvara::moving_pair_sums {
namespace {

using namespace moving_pair_terms;

#define KELVARA_AVX2 __attribute__((target("avx2,fma"), always_inline)) inline

KELVARA_AVX2 __m256d c(int k) {
    return _mm256_set1_pd(kInverseFactorials[k]);
}

// exp_nonpositive, four at a time.
KELVARA_AVX2 __m256d exp_nonpositive4(__m256d x) {
    x = _mm256_max_pd(x, _mm256_set1_pd(kLowestExponent));
    const __m256d shift = _mm256_set1_pd(0x1.8p52);
    const __m256d shifted = _mm256_fmadd_pd(x, _mm256_set1_pd(std::numbers::log2e), shift);
    const __m256d n = _mm256_sub_pd(shifted, shift);
    __m256d r = _mm256_fnmadd_pd(n, _mm256_set1_pd(0x1.62e42feep-1), x);
    r = _mm256_fnmadd_pd(n, _mm256_set1_pd(0x1.a39ef35793c76p-33), r);
    // Estrin's scheme: the terms in pairs, then pairs of pairs, so that the chain of
    // dependent multiplications is five long instead of twelve.
    const __m256d r2 = _mm256_mul_pd(r, r), r4 = _mm256_mul_pd(r2, r2);
    const __m256d r8 = _mm256_mul_pd(r4, r4);
    const __m256d q0 = _mm256_fmadd_pd(c(1), r, c(0)), q1 = _mm256_fmadd_pd(c(3), r, c(2));
    const __m256d q2 = _mm256_fmadd_pd(c(5), r, c(4)), q3 = _mm256_fmadd_pd(c(7), r, c(6));
    const __m256d q4 = _mm256_fmadd_pd(c(9), r, c(8)), q5 = _mm256_fmadd_pd(c(11), r, c(10));
    const __m256d e0 = _mm256_fmadd_pd(q1, r2, q0), e1 = _mm256_fmadd_pd(q3, r2, q2);
    const __m256d e2 = _mm256_fmadd_pd(q5, r2, q4);
    const __m256d f0 = _mm256_fmadd_pd(e1, r4, e0), f1 = _mm256_fmadd_pd(c(12), r4, e2);
    const __m256d p = _mm256_fmadd_pd(f1, r8, f0);
    const __m256i bits = _mm256_slli_epi64(
        _mm256_add_epi64(_mm256_castpd_si256(shifted), _mm256_set1_epi64x(1023)), 52);
    return _mm256_mul_pd(p, _mm256_castsi256_pd(bits));
}

struct Terms4 {
    __m256d value;
    __m256d slope;  // in s
};

KELVARA_AVX2 Terms4 pair_terms4(__m256d s) {
    const __m256d u = exp_nonpositive4(_mm256_mul_pd(_mm256_set1_pd(-0.25), s));
    const __m256d u2 = _mm256_mul_pd(u, u), u4 = _mm256_mul_pd(u2, u2);
    const __m256d u8 = _mm256_mul_pd(u4, u4), u16 = _mm256_mul_pd(u8, u8);
    const __m256d u6 = _mm256_mul_pd(u4, u2);
    const __m256d first = _mm256_mul_pd(u8, u6);                      // e^(−3.5 s)
    const __m256d second = _mm256_mul_pd(_mm256_mul_pd(u16, u6), u);  // e^(−5.75 s)
    return {
        _mm256_sub_pd(first, second),
        _mm256_fmsub_pd(_mm256_set1_pd(5.75), second, _mm256_mul_pd(_mm256_set1_pd(3.5), first))};
}

// The four weights from index j on, zero from index `end` on.
KELVARA_AVX2 __m256d weights4(__m256d a_m, const double* amplitude, int32_t j, int32_t end,
                              RoughnessModel model) {
    const __m256d a = _mm256_loadu_pd(amplitude + j);
    const __m256d w =
        model == RoughnessModel::Product ? _mm256_mul_pd(a_m, a) : _mm256_min_pd(a_m, a);
    const __m256d index = _mm256_add_pd(_mm256_set1_pd(double(j)), _mm256_set_pd(3, 2, 1, 0));
    return _mm256_and_pd(w, _mm256_cmp_pd(index, _mm256_set1_pd(double(end)), _CMP_LT_OQ));
}

KELVARA_AVX2 double horizontal_sum(__m256d v) {
    const __m128d pair = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
    return _mm_cvtsd_f64(_mm_add_sd(pair, _mm_unpackhi_pd(pair, pair)));
}

// The sums with their slopes, or (kSlopes false) the value alone, which is computed in the
// same order and so is the same to the last bit.
template <bool kSlopes>
__attribute__((target("avx2,fma"))) Sums sums_avx2(const MovingSet& set, double scale) {
    const Columns& movers = set.movers;
    const Columns& stills = set.stills;
    const __m256d sign = _mm256_set1_pd(-0.0);
    __m256d value = _mm256_setzero_pd(), below = _mm256_setzero_pd(), above = below;
    for (int32_t i = 0; i < movers.size(); ++i) {
        const double m_hz = movers.hz[i] * scale;
        const double reach_hz = reach(m_hz);
        const __m256d m = _mm256_set1_pd(m_hz);
        const __m256d reach_m = _mm256_set1_pd(reach_hz);
        const __m256d m_per_t = _mm256_set1_pd(m_hz * kLnTwoPerCent);
        const __m256d a_m = _mm256_set1_pd(movers.amplitude[i]);
        // The mover as the lower partial: d s/d t = −m_per_t · reach_m · (1 + K·gap·reach_m).
        const __m256d lower_base = _mm256_mul_pd(_mm256_xor_pd(m_per_t, sign), reach_m);
        const __m256d lower_growth = _mm256_mul_pd(_mm256_set1_pd(kReachCurvature), reach_m);
        for (int32_t j = set.first_still[i]; j < set.last_still[i]; j += 4) {
            const __m256d o = _mm256_loadu_pd(stills.hz.data() + j);
            const __m256d reach_o = _mm256_loadu_pd(stills.reach.data() + j);
            const __m256d gap = _mm256_andnot_pd(sign, _mm256_sub_pd(m, o));
            const Terms4 t = pair_terms4(_mm256_mul_pd(gap, _mm256_max_pd(reach_m, reach_o)));
            const __m256d w =
                weights4(a_m, stills.amplitude.data(), j, set.last_still[i], set.model);
            const __m256d as_upper = _mm256_mul_pd(m_per_t, reach_o);
            const __m256d as_lower =
                _mm256_mul_pd(lower_base, _mm256_fmadd_pd(lower_growth, gap, _mm256_set1_pd(1)));
            const __m256d meeting = _mm256_cmp_pd(
                gap, _mm256_mul_pd(_mm256_max_pd(m, o), _mm256_set1_pd(kCoincidentRatio)),
                _CMP_LT_OQ);
            const __m256d mover_above = _mm256_cmp_pd(m, o, _CMP_GT_OQ);
            const __m256d upper_below = _mm256_andnot_pd(meeting, mover_above);
            const __m256d upper_above = _mm256_or_pd(meeting, mover_above);
            value = _mm256_fmadd_pd(w, t.value, value);
            if constexpr (!kSlopes) continue;
            const __m256d w_slope = _mm256_mul_pd(w, t.slope);
            below =
                _mm256_fmadd_pd(w_slope, _mm256_blendv_pd(as_lower, as_upper, upper_below), below);
            above =
                _mm256_fmadd_pd(w_slope, _mm256_blendv_pd(as_lower, as_upper, upper_above), above);
        }
        // Movers above this one: both rise together, d s/d t = gap · q.
        const __m256d q =
            _mm256_set1_pd(kLnTwoPerCent * reach_hz * (1.0 - kReachCurvature * reach_hz * m_hz));
        const __m256d scale4 = _mm256_set1_pd(scale);
        for (int32_t j = i + 1; j < set.last_mover[i]; j += 4) {
            const __m256d o = _mm256_mul_pd(_mm256_loadu_pd(movers.hz.data() + j), scale4);
            const __m256d gap = _mm256_sub_pd(o, m);
            const Terms4 t = pair_terms4(_mm256_mul_pd(gap, reach_m));
            const __m256d w =
                weights4(a_m, movers.amplitude.data(), j, set.last_mover[i], set.model);
            value = _mm256_fmadd_pd(w, t.value, value);
            if constexpr (!kSlopes) continue;
            const __m256d slope = _mm256_mul_pd(_mm256_mul_pd(w, t.slope), _mm256_mul_pd(gap, q));
            below = _mm256_add_pd(below, slope);
            above = _mm256_add_pd(above, slope);
        }
    }
    return {horizontal_sum(value), horizontal_sum(below), horizontal_sum(above)};
}

}  // namespace

Sums sum_moving_avx2(const MovingSet& set, double scale) {
    return sums_avx2<true>(set, scale);
}
double sum_moving_value_avx2(const MovingSet& set, double scale) {
    return sums_avx2<false>(set, scale).value;
}

}  // namespace kelvara::moving_pair_sums
