// The moving pairs one at a time, for processors without AVX2 and FMA.
#include <algorithm>
#include <cmath>

#include "engine/moving_pair_sums.h"
#include "engine/moving_pair_terms.h"

namespace kelvara::moving_pair_sums {
namespace {

using namespace moving_pair_terms;

struct Term {
    double value;
    double slope;  // in s
};

Term pair_term(double s) {
    const double u = exp_nonpositive(-0.25 * s);
    const double u2 = u * u, u4 = u2 * u2, u8 = u4 * u4, u16 = u8 * u8;
    const double first = u8 * u4 * u2;        // e^(−3.5 s)
    const double second = u16 * u4 * u2 * u;  // e^(−5.75 s)
    return {first - second, 5.75 * second - 3.5 * first};
}

double weight(double a, double b, RoughnessModel model) {
    return model == RoughnessModel::Product ? a * b : std::min(a, b);
}

// The sums with their slopes, or (kSlopes false) the value alone, summed in the same order.
template <bool kSlopes>
Sums sums_portable(const MovingSet& set, double scale) {
    Sums sums;
    const Columns& movers = set.movers;
    const Columns& stills = set.stills;
    for (int32_t i = 0; i < movers.size(); ++i) {
        const double m = movers.hz[i] * scale;
        const double reach_m = reach(m);
        const double m_per_t = m * kLnTwoPerCent;
        const double a_m = movers.amplitude[i];
        for (int32_t j = set.first_still[i]; j < set.last_still[i]; ++j) {
            const double o = stills.hz[j];
            const double gap = std::fabs(m - o);
            const double w = weight(a_m, stills.amplitude[j], set.model);
            const Term term = pair_term(gap * std::max(reach_m, stills.reach[j]));
            sums.value += w * term.value;
            if constexpr (!kSlopes) continue;
            // The mover as the upper partial: s grows with it at the still one's reach; as
            // the lower, s shrinks, and its reach falls as it rises.
            const double as_upper = m_per_t * stills.reach[j];
            const double as_lower = -m_per_t * reach_m * (1.0 + kReachCurvature * gap * reach_m);
            const bool meeting = gap < std::max(m, o) * kCoincidentRatio;
            const bool above = m > o;
            sums.slope_below += w * term.slope * (above && !meeting ? as_upper : as_lower);
            sums.slope_above += w * term.slope * (above || meeting ? as_upper : as_lower);
        }
        for (int32_t j = i + 1; j < set.last_mover[i]; ++j) {
            const double gap = movers.hz[j] * scale - m;
            const double w = weight(a_m, movers.amplitude[j], set.model);
            const Term term = pair_term(gap * reach_m);
            sums.value += w * term.value;
            if constexpr (!kSlopes) continue;
            const double slope = w * term.slope * gap * kLnTwoPerCent * reach_m *
                                 (1.0 - kReachCurvature * reach_m * m);
            sums.slope_below += slope;
            sums.slope_above += slope;
        }
    }
    return sums;
}

}  // namespace

Sums sum_moving_portable(const MovingSet& set, double scale) {
    return sums_portable<true>(set, scale);
}
double sum_moving_value_portable(const MovingSet& set, double scale) {
    return sums_portable<false>(set, scale).value;
}

}  // namespace kelvara::moving_pair_sums
