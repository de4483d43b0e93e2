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

Columns make_columns(std::vector<std::pair<double, double>> partials) {
    if (!std::is_sorted(partials.begin(), partials.end()))
        std::sort(partials.begin(), partials.end());
    Columns columns;
    for (const auto& [hz, amplitude] : partials) {
        columns.hz.push_back(hz);
        columns.reach.push_back(reach(hz));
        columns.amplitude.push_back(amplitude);
    }
    // Padding: silent partials at 0 Hz, which every loop reads without effect.
    for (int32_t k = 0; k < kPadding; ++k) {
        columns.hz.push_back(0.0);
        columns.reach.push_back(reach(0.0));
        columns.amplitude.push_back(0.0);
    }
    return columns;
}

namespace {
bool use_avx2() {
    static const bool avx2 = roughness_rows::cpu_has_avx2_fma();
    return avx2;
}
}  // namespace

Sums sum_moving(const MovingSet& set, double t) {
    const bool avx2 = use_avx2();
    const double scale = std::exp2(t / 1200.0);
    const Sums half = avx2 ? sum_moving_avx2(set, scale) : sum_moving_portable(set, scale);
    // The curve counts every ordered pair, so each pair here counts twice.
    return {2.0 * half.value, 2.0 * half.slope_below, 2.0 * half.slope_above};
}

double sum_moving_value(const MovingSet& set, double t) {
    const double scale = std::exp2(t / 1200.0);
    return 2.0 *
           (use_avx2() ? sum_moving_value_avx2(set, scale) : sum_moving_value_portable(set, scale));
}

}  // namespace kelvara::moving_pair_sums
