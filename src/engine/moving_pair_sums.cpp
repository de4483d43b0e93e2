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

void reserve(Columns& columns, size_t partials) {
    const size_t padded = partials + size_t(kPadding);
    columns.hz.reserve(padded);
    columns.reach.reserve(padded);
    columns.amplitude.reserve(padded);
    columns.hz_single.reserve(padded);
    columns.reach_single.reserve(padded);
    columns.amplitude_single.reserve(padded);
}

void add_partial(Columns& columns, double hz, double amplitude) {
    add_partial(columns, hz, reach(hz), amplitude);
}

void add_partial(Columns& columns, double hz, double reach_hz, double amplitude) {
    const double r = reach_hz;
    columns.hz.push_back(hz);
    columns.reach.push_back(r);
    columns.amplitude.push_back(amplitude);
    columns.hz_single.push_back(float(hz));
    columns.reach_single.push_back(float(r));
    columns.amplitude_single.push_back(float(amplitude));
}

void pad(Columns& columns) {
    // Silent partials at 0 Hz, which every loop reads without effect.
    for (int32_t k = 0; k < kPadding; ++k) add_partial(columns, 0.0, 0.0);
}

Columns make_columns(std::vector<std::pair<double, double>> partials) {
    if (!std::is_sorted(partials.begin(), partials.end()))
        std::sort(partials.begin(), partials.end());
    Columns columns;
    reserve(columns, partials.size());
    for (const auto& [hz, amplitude] : partials) add_partial(columns, hz, amplitude);
    pad(columns);
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

Sums sum_moving_single(const MovingSet& set, double t) {
    if (!use_avx2()) return sum_moving(set, t);
    const Sums half = sum_moving_single_avx2(set, std::exp2(t / 1200.0));
    return {2.0 * half.value, 2.0 * half.slope_below, 2.0 * half.slope_above};
}

double sum_moving_value_single(const MovingSet& set, double t) {
    if (!use_avx2()) return sum_moving_value(set, t);
    return 2.0 * sum_moving_value_single_avx2(set, std::exp2(t / 1200.0));
}

}  // namespace kelvara::moving_pair_sums
