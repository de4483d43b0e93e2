#pragma once
// The exact curve over a short window of x as polynomials, for the minima search.
//
// Every pair term e^(−3.5 s) − e^(−5.75 s) is an exponential of a function of x that is linear
// in one of two variables: in x itself for a sweep partial above a fixed one (s = α·(g − F)),
// and in v = 1/(0.021·g + 19) for a sweep partial below a fixed one or below another sweep
// partial (s = β·v − 0.24/0.021, g the lower sweep partial's frequency). Around the window's
// centre x0 each term is therefore a power series whose coefficients cost one exponential
// (u = e^(−s/4); the two terms are u^14 and u^23) and a few multiplications; the terms in v
// are summed per sweep partial and substituted once (v is a Möbius function of x). The whole
// curve on the window is one polynomial in t = (x − x0)/half_width, t in [−1, 1], valid
// between cusps; crossing a cusp adds the difference of the coinciding pairs' two branches.
// Windows span a few percent of x, where every term that matters changes by a factor of e^1.3
// at most from the centre to an end, so that order 18 holds each term to about 1e-14 of its
// size.
//
// Pairs whose term cannot exceed kRelativeCutoff of the curve's pair weight mass anywhere in
// the window are left out (the fixed pairs' constant likewise).
#include <array>
#include <cstdint>
#include <vector>

#include "engine/curve_definition.h"

namespace kelvara::curve_series {

inline constexpr int kOrder = 18;
inline constexpr double kRelativeCutoff = 1e-16;
// The windows' values are trusted to this fraction of the pair weight mass.
inline constexpr double kRelativeResolution = 1e-12;
// Windows span x0·(1 ± kWindowHalfWidth) or less.
inline constexpr double kWindowHalfWidth = 0.02;

using Series = std::array<double, kOrder + 1>;  // coefficients of t^0 .. t^kOrder

double value_at(const Series& s, double t);
double slope_at(const Series& s, double t);      // d/dt
double curvature_at(const Series& s, double t);  // d²/dt²
// An upper bound of |d^order/dt^order s| over |t| <= t_max, from the coefficients' sizes.
double derivative_bound(const Series& s, int order, double t_max);

struct CuspCrossing {
    double x;       // where sweep and fixed partials coincide
    Series change;  // the coinciding pairs' branch above minus their branch below
};

struct Window {
    double x0 = 0.0;
    double half_width = 0.0;          // x = x0 + half_width·t
    Series below_first_cusp{};        // the curve (constant included) from the window's start
    std::vector<CuspCrossing> cusps;  // ascending
};

// The sum of many terms weight·(e^(−3.5 s) − e^(−5.75 s)), s = s0 + slope·u, as one power
// series in u. The terms are kept until summed, so that the summing loops run over independent
// terms instead of one term's chain of products.
class TermSeriesSum {
public:
    void add(double weight, double s0, double slope);
    // Adds the sum to `out` and empties this one.
    void add_to(Series& out);

private:
    // Each term's weight, then its first exponential; its s0, then its second exponential;
    // its slope.
    std::vector<double> first_, second_, slope_;
};

class WindowExpander {
public:
    // `curve` must be valid (check_curve_definition accepts it).
    explicit WindowExpander(const CurveDefinition& curve);

    // The curve on [x_begin, x_end], 0 < x_begin < x_end, x_end/x_begin at most
    // (1 + kWindowHalfWidth)/(1 − kWindowHalfWidth). Cusps at x_end belong to the next window
    // unless `include_end`. Reuses `out`'s storage.
    void expand(double x_begin, double x_end, bool include_end, Window& out);

    double fixed_pairs() const { return fixed_pairs_; }
    // How closely the windows' polynomials are trusted to follow the curve:
    // kRelativeResolution of the pair weight mass (each pair left out adds at most
    // kRelativeCutoff of it). Differences of values below it are not resolved.
    double value_resolution() const { return value_resolution_; }

private:
    struct Sweep {
        double ratio, amplitude, log_amplitude;
    };
    struct Fixed {
        double ratio;  // to the base: fixed-tone ratio × partial ratio
        double hz, amplitude, log_amplitude;
        double above_rate;  // α = 0.24/(0.021·hz + 19): s per hertz of a sweep partial above it
    };
    double log_weight(double log_a, double log_b) const;
    double weight(double a, double b) const;
    void sum_fixed_pairs();
    void expand_sweep_partial(size_t i, double x_begin, double x_end, bool include_end,
                              Window& out);

    double base_hz_;
    RoughnessModel model_;
    std::vector<Sweep> sweep_;              // by ratio
    std::vector<Fixed> fixed_;              // by ratio
    double max_fixed_log_amplitude_ = 0.0;  // of any partial: every tone has the timbre
    double log_cutoff_ = 0.0;               // log of the smallest term kept
    double value_resolution_ = 0.0;
    double fixed_pairs_ = 0.0;
    double x0_ = 0.0, half_width_ = 0.0;
    // A pair that coincides in the window: its cusp and both its branches' terms.
    struct Local {
        double x;
        double weight;
        double above_s0, above_slope;           // s = s0 + slope·t above the cusp
        double below_s0, below_slope, below_z;  // s = s0 + slope·q(t) below it
    };
    void expand_local_pairs(Window& out);
    std::vector<Local> local_;
    std::vector<Series> changes_;
    struct Chain {
        double above, above_step, below_scale, below_rate, e, sum, weighted_sum;
    };
    std::vector<Chain> chains_;
    std::vector<size_t> order_;
    TermSeriesSum in_t_, in_q_;
};

}  // namespace kelvara::curve_series
