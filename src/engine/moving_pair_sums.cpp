#include "engine/moving_pair_sums.h"

#include <algorithm>
#include <cmath>

#include "engine/moving_pair_terms.h"
#include "engine/roughness_rows.h"

namespace kelvara::moving_pair_sums {

double reach(double hz) {
    namespace rt = roughness_terms;
    return rt::kNumerator / (rt::kBandwidthSlope * hz + rt::kBandwidthOffset);
}

void make_silent(Columns& columns, size_t count) {
    // Padding: silent partials at 0 Hz, which every loop reads without effect.
    const size_t padded = count + size_t(kPadding);
    const double silent_reach = reach(0.0);
    columns.hz.assign(padded, 0.0);
    columns.reach.assign(padded, silent_reach);
    columns.amplitude.assign(padded, 0.0);
    columns.hz_single.assign(padded, 0.0f);
    columns.reach_single.assign(padded, float(silent_reach));
    columns.amplitude_single.assign(padded, 0.0f);
}

Columns make_columns(std::vector<std::pair<double, double>> partials) {
    if (!std::is_sorted(partials.begin(), partials.end()))
        std::sort(partials.begin(), partials.end());
    Columns columns;
    make_silent(columns, partials.size());
    for (size_t k = 0; k < partials.size(); ++k)
        set_partial(columns, k, partials[k].first, reach(partials[k].first), partials[k].second);
    return columns;
}

namespace {
bool use_avx2() {
    static const bool avx2 = roughness_rows::cpu_has_avx2_fma();
    return avx2;
}
bool use_avx512() {
    static const bool avx512 = roughness_rows::cpu_has_avx512();
    return avx512;
}
}  // namespace

Sums sum_moving(const MovingSet& set, double t) {
    const double scale = std::exp2(t / 1200.0);
    const Sums half = use_avx512() ? sum_moving_avx512(set, scale)
                      : use_avx2() ? sum_moving_avx2(set, scale)
                                   : sum_moving_portable(set, scale);
    // The curve counts every ordered pair, so each pair here counts twice.
    return {2.0 * half.value, 2.0 * half.slope_below, 2.0 * half.slope_above};
}

double sum_moving_value(const MovingSet& set, double t) {
    const double scale = std::exp2(t / 1200.0);
    return 2.0 * (use_avx512() ? sum_moving_value_avx512(set, scale)
                  : use_avx2() ? sum_moving_value_avx2(set, scale)
                               : sum_moving_value_portable(set, scale));
}

Sums sum_moving_single(const MovingSet& set, double t) {
    if (!use_avx2()) return sum_moving(set, t);
    const double scale = std::exp2(t / 1200.0);
    const Sums half =
        use_avx512() ? sum_moving_single_avx512(set, scale) : sum_moving_single_avx2(set, scale);
    return {2.0 * half.value, 2.0 * half.slope_below, 2.0 * half.slope_above};
}

double sum_moving_value_single(const MovingSet& set, double t) {
    if (!use_avx2()) return sum_moving_value(set, t);
    const double scale = std::exp2(t / 1200.0);
    return 2.0 * (use_avx512() ? sum_moving_value_single_avx512(set, scale)
                               : sum_moving_value_single_avx2(set, scale));
}

}  // namespace kelvara::moving_pair_sums
