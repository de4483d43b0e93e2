#pragma once
// The inner loop of adaptive tuning: the roughness of every pair of partials that changes
// when a set of notes (the movers) is transposed by one factor, with its slope along the
// transposition, in 64 bits. A portable build and builds for processors with AVX2 and FMA
// (four pairs at a time) and AVX-512 (eight) share one contract and one exponential, so they
// agree to a few ulps.
// A third build sums in 32-bit floats, eight pairs at a time, for the search's guide.
//
// A pair's term is w·(e^(−3.5 s) − e^(−5.75 s)), s = gap·reach(lower), where
// reach(f) = 0.24/(0.021·f + 19) falls with f, so the lower partial's reach is the larger of
// the two and a pair costs no division. Both exponentials are powers of e^(−s/4).
#include <cstdint>
#include <vector>

#include "engine/roughness_model.h"

namespace kelvara::moving_pair_sums {

// Partials as columns, ascending in frequency, with `kPadding` entries of amplitude 0 past
// the end so that the loops may read a whole vector beyond a range.
inline constexpr int32_t kPadding = 16;

struct Columns {
    std::vector<double> hz;
    std::vector<double> reach;  // reach(hz); for movers it is computed per transposition
    std::vector<double> amplitude;
    // The same rounded to 32 bits, for the single-precision sums.
    std::vector<float> hz_single;
    std::vector<float> reach_single;
    std::vector<float> amplitude_single;
    int32_t size() const { return static_cast<int32_t>(hz.size()) - kPadding; }
};

// Builds ascending columns from (hz, amplitude) pairs, padding included (pairs already in
// order are not sorted again).
Columns make_columns(std::vector<std::pair<double, double>> partials);
// Or `count` silent partials at 0 Hz and the padding (reusing what the columns hold), then
// each set in ascending order.
void make_silent(Columns& columns, size_t count);
inline void set_partial(Columns& columns, size_t k, double hz, double reach_hz, double amplitude) {
    columns.hz[k] = hz;
    columns.reach[k] = reach_hz;
    columns.amplitude[k] = amplitude;
    columns.hz_single[k] = float(hz);
    columns.reach_single[k] = float(reach_hz);
    columns.amplitude_single[k] = float(amplitude);
}

double reach(double hz);

// The movers' partials at their current pitches and, for each, the range of still partials
// [first, last) close enough to matter, and the movers above it up to last_mover (the others
// are left out by the caller).
struct MovingSet {
    Columns movers;
    Columns stills;
    std::vector<int32_t> first_still;  // per mover
    std::vector<int32_t> last_still;
    std::vector<int32_t> last_mover;
    RoughnessModel model = RoughnessModel::Product;
};

struct Sums {
    double value = 0.0;        // Σ over the changing pairs, each once
    double slope_below = 0.0;  // d/dt in cents from below and from above: they differ
    double slope_above = 0.0;  // where a mover's partial meets a still one exactly
};

// The changing pairs with every mover's partial transposed by 2^(t/1200): each mover against
// its range of stills, and each pair of movers.
Sums sum_moving(const MovingSet& set, double t);
// Sums::value alone, the same to the last bit, for about two thirds of the work.
double sum_moving_value(const MovingSet& set, double t);

// The same sums in 32-bit floats, eight pairs at a time where the processor has AVX2 and
// FMA, sixteen where it has AVX-512 (elsewhere they are the 64-bit sums): a few millionths of the
// value off, for a search that finds its way with them and then lands with the 64-bit sums.
Sums sum_moving_single(const MovingSet& set, double t);
double sum_moving_value_single(const MovingSet& set, double t);

// The building blocks sum_moving dispatches to, for tests.
Sums sum_moving_portable(const MovingSet& set, double scale);
Sums sum_moving_avx2(const MovingSet& set, double scale);
double sum_moving_value_portable(const MovingSet& set, double scale);
double sum_moving_value_avx2(const MovingSet& set, double scale);
Sums sum_moving_avx512(const MovingSet& set, double scale);
double sum_moving_value_avx512(const MovingSet& set, double scale);
Sums sum_moving_single_avx2(const MovingSet& set, double scale);
double sum_moving_value_single_avx2(const MovingSet& set, double scale);
Sums sum_moving_single_avx512(const MovingSet& set, double scale);
double sum_moving_value_single_avx512(const MovingSet& set, double scale);

}  // namespace kelvara::moving_pair_sums
