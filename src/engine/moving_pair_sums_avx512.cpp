// The moving pairs eight at a time with AVX-512: the same arithmetic as the AVX2 build
// (moving_pair_sums_avx2.cpp), twice as wide, so the two agree to a few ulps. Every function
// carries the target attribute itself and runs only where cpu_has_avx512() said yes.
#include "engine/avx512_intrinsics.h"

#include "engine/moving_pair_sums.h"
#include "engine/moving_pair_terms.h"

namespace kelvara::moving_pair_sums {
namespace {

using namespace moving_pair_terms;

#define KELVARA_AVX512 __attribute__((target("avx512f,avx512dq"), always_inline)) inline

KELVARA_AVX512 __m512d c(int k) {
    return _mm512_set1_pd(kInverseFactorials[k]);
}

// exp_nonpositive, four at a time.
KELVARA_AVX512 __m512d exp_nonpositive8(__m512d x) {
    x = _mm512_max_pd(x, _mm512_set1_pd(kLowestExponent));
    const __m512d shift = _mm512_set1_pd(0x1.8p52);
    const __m512d shifted = _mm512_fmadd_pd(x, _mm512_set1_pd(std::numbers::log2e), shift);
    const __m512d n = _mm512_sub_pd(shifted, shift);
    __m512d r = _mm512_fnmadd_pd(n, _mm512_set1_pd(0x1.62e42feep-1), x);
    r = _mm512_fnmadd_pd(n, _mm512_set1_pd(0x1.a39ef35793c76p-33), r);
    // Estrin's scheme: the terms in pairs, then pairs of pairs, so that the chain of
    // dependent multiplications is five long instead of twelve.
    const __m512d r2 = _mm512_mul_pd(r, r), r4 = _mm512_mul_pd(r2, r2);
    const __m512d r8 = _mm512_mul_pd(r4, r4);
    const __m512d q0 = _mm512_fmadd_pd(c(1), r, c(0)), q1 = _mm512_fmadd_pd(c(3), r, c(2));
    const __m512d q2 = _mm512_fmadd_pd(c(5), r, c(4)), q3 = _mm512_fmadd_pd(c(7), r, c(6));
    const __m512d q4 = _mm512_fmadd_pd(c(9), r, c(8)), q5 = _mm512_fmadd_pd(c(11), r, c(10));
    const __m512d e0 = _mm512_fmadd_pd(q1, r2, q0), e1 = _mm512_fmadd_pd(q3, r2, q2);
    const __m512d e2 = _mm512_fmadd_pd(q5, r2, q4);
    const __m512d f0 = _mm512_fmadd_pd(e1, r4, e0), f1 = _mm512_fmadd_pd(c(12), r4, e2);
    const __m512d p = _mm512_fmadd_pd(f1, r8, f0);
    const __m512i bits = _mm512_slli_epi64(
        _mm512_add_epi64(_mm512_castpd_si512(shifted), _mm512_set1_epi64(1023)), 52);
    return _mm512_mul_pd(p, _mm512_castsi512_pd(bits));
}

struct Terms8 {
    __m512d value;
    __m512d slope;  // in s
};

KELVARA_AVX512 Terms8 pair_terms8(__m512d s) {
    const __m512d u = exp_nonpositive8(_mm512_mul_pd(_mm512_set1_pd(-0.25), s));
    const __m512d u2 = _mm512_mul_pd(u, u), u4 = _mm512_mul_pd(u2, u2);
    const __m512d u8 = _mm512_mul_pd(u4, u4), u16 = _mm512_mul_pd(u8, u8);
    const __m512d u6 = _mm512_mul_pd(u4, u2);
    const __m512d first = _mm512_mul_pd(u8, u6);                      // e^(−3.5 s)
    const __m512d second = _mm512_mul_pd(_mm512_mul_pd(u16, u6), u);  // e^(−5.75 s)
    return {
        _mm512_sub_pd(first, second),
        _mm512_fmsub_pd(_mm512_set1_pd(5.75), second, _mm512_mul_pd(_mm512_set1_pd(3.5), first))};
}

// The eight weights from index j on, zero from index `end` on.
KELVARA_AVX512 __m512d weights8(__m512d a_m, const double* amplitude, int32_t j, int32_t end,
                                RoughnessModel model) {
    const __m512d a = _mm512_loadu_pd(amplitude + j);
    const __m512d w =
        model == RoughnessModel::Product ? _mm512_mul_pd(a_m, a) : _mm512_min_pd(a_m, a);
    const __m512d index =
        _mm512_add_pd(_mm512_set1_pd(double(j)), _mm512_set_pd(7, 6, 5, 4, 3, 2, 1, 0));
    return _mm512_maskz_mov_pd(_mm512_cmp_pd_mask(index, _mm512_set1_pd(double(end)), _CMP_LT_OQ),
                               w);
}

KELVARA_AVX512 double horizontal_sum(__m512d v) {
    return _mm512_reduce_add_pd(v);
}

// The sums with their slopes, or (kSlopes false) the value alone, which is computed in the
// same order and so is the same to the last bit.
template <bool kSlopes>
__attribute__((target("avx512f,avx512dq"))) Sums sums_avx512(const MovingSet& set, double scale) {
    const Columns& movers = set.movers;
    const Columns& stills = set.stills;
    const __m512d sign = _mm512_set1_pd(-0.0);
    __m512d value = _mm512_setzero_pd(), below = _mm512_setzero_pd(), above = below;
    for (int32_t i = 0; i < movers.size(); ++i) {
        const double m_hz = movers.hz[i] * scale;
        const double reach_hz = reach(m_hz);
        const __m512d m = _mm512_set1_pd(m_hz);
        const __m512d reach_m = _mm512_set1_pd(reach_hz);
        const __m512d m_per_t = _mm512_set1_pd(m_hz * kLnTwoPerCent);
        const __m512d a_m = _mm512_set1_pd(movers.amplitude[i]);
        // The mover as the lower partial: d s/d t = −m_per_t · reach_m · (1 + K·gap·reach_m).
        const __m512d lower_base = _mm512_mul_pd(_mm512_xor_pd(m_per_t, sign), reach_m);
        const __m512d lower_growth = _mm512_mul_pd(_mm512_set1_pd(kReachCurvature), reach_m);
        for (int32_t j = set.first_still[i]; j < set.last_still[i]; j += 8) {
            const __m512d o = _mm512_loadu_pd(stills.hz.data() + j);
            const __m512d reach_o = _mm512_loadu_pd(stills.reach.data() + j);
            const __m512d gap = _mm512_andnot_pd(sign, _mm512_sub_pd(m, o));
            const Terms8 t = pair_terms8(_mm512_mul_pd(gap, _mm512_max_pd(reach_m, reach_o)));
            const __m512d w =
                weights8(a_m, stills.amplitude.data(), j, set.last_still[i], set.model);
            const __m512d as_upper = _mm512_mul_pd(m_per_t, reach_o);
            const __m512d as_lower =
                _mm512_mul_pd(lower_base, _mm512_fmadd_pd(lower_growth, gap, _mm512_set1_pd(1)));
            const __mmask8 meeting = _mm512_cmp_pd_mask(
                gap, _mm512_mul_pd(_mm512_max_pd(m, o), _mm512_set1_pd(kCoincidentRatio)),
                _CMP_LT_OQ);
            const __mmask8 mover_above = _mm512_cmp_pd_mask(m, o, _CMP_GT_OQ);
            const __mmask8 upper_below = __mmask8(~meeting & mover_above);
            const __mmask8 upper_above = __mmask8(meeting | mover_above);
            value = _mm512_fmadd_pd(w, t.value, value);
            if constexpr (!kSlopes) continue;
            const __m512d w_slope = _mm512_mul_pd(w, t.slope);
            below = _mm512_fmadd_pd(w_slope, _mm512_mask_blend_pd(upper_below, as_lower, as_upper),
                                    below);
            above = _mm512_fmadd_pd(w_slope, _mm512_mask_blend_pd(upper_above, as_lower, as_upper),
                                    above);
        }
        // Movers above this one: both rise together, d s/d t = gap · q.
        const __m512d q =
            _mm512_set1_pd(kLnTwoPerCent * reach_hz * (1.0 - kReachCurvature * reach_hz * m_hz));
        const __m512d scale8 = _mm512_set1_pd(scale);
        for (int32_t j = i + 1; j < set.last_mover[i]; j += 8) {
            const __m512d o = _mm512_mul_pd(_mm512_loadu_pd(movers.hz.data() + j), scale8);
            const __m512d gap = _mm512_sub_pd(o, m);
            const Terms8 t = pair_terms8(_mm512_mul_pd(gap, reach_m));
            const __m512d w =
                weights8(a_m, movers.amplitude.data(), j, set.last_mover[i], set.model);
            value = _mm512_fmadd_pd(w, t.value, value);
            if constexpr (!kSlopes) continue;
            const __m512d slope = _mm512_mul_pd(_mm512_mul_pd(w, t.slope), _mm512_mul_pd(gap, q));
            below = _mm512_add_pd(below, slope);
            above = _mm512_add_pd(above, slope);
        }
    }
    return {horizontal_sum(value), horizontal_sum(below), horizontal_sum(above)};
}

}  // namespace

Sums sum_moving_avx512(const MovingSet& set, double scale) {
    return sums_avx512<true>(set, scale);
}
double sum_moving_value_avx512(const MovingSet& set, double scale) {
    return sums_avx512<false>(set, scale).value;
}

}  // namespace kelvara::moving_pair_sums
