#include "engine/curve_window_series.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "engine/roughness_terms.h"

namespace kelvara::curve_series {

namespace rt = roughness_terms;

namespace {

constexpr std::array<double, kOrder + 2> make_inverses() {
    std::array<double, kOrder + 2> inverses{};
    for (int n = 1; n < kOrder + 2; ++n) inverses[n] = 1.0 / n;
    return inverses;
}
constexpr auto kInverse = make_inverses();
constexpr double kRates[2] = {rt::kFirstRate, rt::kSecondRate};

constexpr std::array<double, kOrder + 1> make_inverse_factorials() {
    std::array<double, kOrder + 1> inverses{};
    double factorial = 1.0;
    for (int n = 0; n <= kOrder; ++n) {
        if (n > 0) factorial *= n;
        inverses[n] = 1.0 / factorial;
    }
    return inverses;
}
constexpr auto kInverseFactorial = make_inverse_factorials();

// e^(−3.5 s) and e^(−5.75 s): u^14 and u^23 for u = e^(−s/4), one exponential.
static_assert(rt::kFirstRate * 4.0 == 14.0 && rt::kSecondRate * 4.0 == 23.0);
struct Exponentials {
    double first, second;
};
Exponentials exponentials(double s) {
    const double u = std::exp(-0.25 * s);
    const double u2 = u * u, u4 = u2 * u2, u8 = u4 * u4;
    const double u14 = u8 * u4 * u2;
    return {u14, u14 * u8 * u};
}

// Adds the power series `of_q` in q = z·t/(1 − z·t) to `out` as a series in t (Horner's
// scheme; multiplying by q is dividing by 1 − z·t, a running sum, then shifting by z·t).
void add_substituted(Series& out, const Series& of_q, double z) {
    Series r{};
    for (int n = kOrder; n >= 0; --n) {
        double carry = 0.0;
        for (int m = 0; m <= kOrder - n; ++m) {
            const double quotient = r[m] + z * carry;
            r[m] = z * carry;
            carry = quotient;
        }
        r[0] += of_q[n];
    }
    for (int n = 0; n <= kOrder; ++n) out[n] += r[n];
}

}  // namespace

void TermSeriesSum::add(double weight, double s0, double slope) {
    first_.push_back(weight);
    second_.push_back(s0);
    slope_.push_back(slope);
}

void TermSeriesSum::add_to(Series& out) {
    const size_t count = first_.size();
    for (size_t p = 0; p < count; ++p) {
        const Exponentials e = exponentials(second_[p]);
        second_[p] = first_[p] * e.second;
        first_[p] *= e.first;
    }
    // Blocks of four terms, two vectors of two; every power of the block's steps is added to
    // that power's own sum, so that no chain of additions holds up the products.
    using Lanes = double __attribute__((vector_size(2 * sizeof(double))));
    constexpr size_t kBlock = 4;
    for (size_t p = count; p % kBlock != 0; ++p) add(0.0, 0.0, 0.0);
    const Lanes first_rate = {-rt::kFirstRate, -rt::kFirstRate};
    const Lanes second_rate = {-rt::kSecondRate, -rt::kSecondRate};
    std::array<Lanes, kOrder + 1> sums{};
    for (size_t p = 0; p < first_.size(); p += kBlock) {
        Lanes first[2], second[2], slope[2];
        std::memcpy(first, first_.data() + p, sizeof first);
        std::memcpy(second, second_.data() + p, sizeof second);
        std::memcpy(slope, slope_.data() + p, sizeof slope);
        const Lanes first_step[2] = {first_rate * slope[0], first_rate * slope[1]};
        const Lanes second_step[2] = {second_rate * slope[0], second_rate * slope[1]};
        for (int n = 0; n <= kOrder; ++n) {
            sums[n] += (first[0] - second[0]) + (first[1] - second[1]);
            first[0] *= first_step[0];
            first[1] *= first_step[1];
            second[0] *= second_step[0];
            second[1] *= second_step[1];
        }
    }
    for (int n = 0; n <= kOrder; ++n) out[n] += (sums[n][0] + sums[n][1]) * kInverseFactorial[n];
    first_.clear();
    second_.clear();
    slope_.clear();
}

double value_at(const Series& s, double t) {
    double y = 0.0;
    for (int n = kOrder; n >= 0; --n) y = y * t + s[n];
    return y;
}

double slope_at(const Series& s, double t) {
    double y = 0.0;
    for (int n = kOrder; n >= 1; --n) y = y * t + n * s[n];
    return y;
}

double curvature_at(const Series& s, double t) {
    double y = 0.0;
    for (int n = kOrder; n >= 2; --n) y = y * t + n * (n - 1) * s[n];
    return y;
}

double derivative_bound(const Series& s, int order, double t_max) {
    double bound = 0.0;
    for (int n = kOrder; n >= order; --n) {
        double falling = 1.0;
        for (int k = 0; k < order; ++k) falling *= n - k;
        bound = bound * t_max + falling * std::fabs(s[n]);
    }
    return bound;
}

WindowExpander::WindowExpander(const CurveDefinition& curve)
    : base_hz_(curve.base_frequency_hz), model_(curve.model) {
    for (const Partial& p : curve.partials)
        if (p.amplitude > 0.0) sweep_.push_back({p.ratio, p.amplitude, std::log(p.amplitude)});
    std::sort(sweep_.begin(), sweep_.end(),
              [](const Sweep& a, const Sweep& b) { return a.ratio < b.ratio; });
    for (const double r : curve.fixed_tone_ratios)
        for (const Sweep& p : sweep_) {
            const double hz = base_hz_ * r * p.ratio;
            fixed_.push_back({r * p.ratio, hz, p.amplitude, p.log_amplitude,
                              rt::kNumerator / (rt::kBandwidthSlope * hz + rt::kBandwidthOffset)});
        }
    std::sort(fixed_.begin(), fixed_.end(),
              [](const Fixed& a, const Fixed& b) { return a.ratio < b.ratio; });

    // The weight of every ordered pair of the sweep tone's and the fixed tones' partials.
    max_fixed_log_amplitude_ = -std::numeric_limits<double>::infinity();
    std::vector<double> amplitudes;
    for (const Sweep& p : sweep_) {
        amplitudes.push_back(p.amplitude);
        // The fixed tones share the timbre.
        max_fixed_log_amplitude_ = std::max(max_fixed_log_amplitude_, p.log_amplitude);
    }
    for (const Fixed& p : fixed_) amplitudes.push_back(p.amplitude);
    const double mass = pair_weight_mass(amplitudes, model_);
    value_resolution_ = kRelativeResolution * mass;
    log_cutoff_ =
        mass > 0.0 ? std::log(kRelativeCutoff * mass) : -std::numeric_limits<double>::infinity();
    sum_fixed_pairs();
}

// Both orders of the pair: 2·w(a, b), and its logarithm.
double WindowExpander::log_weight(double log_a, double log_b) const {
    return std::numbers::ln2 +
           (model_ == RoughnessModel::Minimum ? std::min(log_a, log_b) : log_a + log_b);
}

double WindowExpander::weight(double a, double b) const {
    return 2.0 * pair_weight(a, b, model_);
}

void WindowExpander::sum_fixed_pairs() {
    for (size_t i = 0; i < fixed_.size(); ++i) {
        const double largest = log_weight(fixed_[i].log_amplitude, max_fixed_log_amplitude_);
        for (size_t j = i + 1; j < fixed_.size(); ++j) {
            const double s = rt::separation(fixed_[i].hz, fixed_[j].hz);
            if (largest - rt::kFirstRate * s < log_cutoff_) break;
            fixed_pairs_ +=
                weight(fixed_[i].amplitude, fixed_[j].amplitude) * rt::term(std::max(0.0, s)).value;
        }
    }
}

void WindowExpander::expand(double x_begin, double x_end, bool include_end, Window& out) {
    x0_ = 0.5 * (x_begin + x_end);
    half_width_ = 0.5 * (x_end - x_begin);
    out.x0 = x0_;
    out.half_width = half_width_;
    out.below_first_cusp.fill(0.0);
    out.below_first_cusp[0] = fixed_pairs_;
    out.cusps.clear();
    local_.clear();
    for (size_t i = 0; i < sweep_.size(); ++i)
        expand_sweep_partial(i, x_begin, x_end, include_end, out);
    in_t_.add_to(out.below_first_cusp);

    expand_local_pairs(out);
}

void WindowExpander::expand_local_pairs(Window& out) {
    // Both branches of every coinciding pair, all pairs at once: each pair's coefficients
    // follow from its previous ones, so the pairs are the inner loop. Below the cusp,
    // e^(a·q(t)) has the coefficients z^n·ê_n with ê_0 = 1 and
    // ê_n = (a/n)·Σ_{m<n} (n − m)·ê_m, kept as two running sums.
    const size_t count = local_.size();
    changes_.resize(count);
    std::vector<Chain>& chains = chains_;
    chains.resize(2 * count);
    for (size_t k = 0; k < count; ++k) {
        const Local& l = local_[k];
        const Exponentials above = exponentials(l.above_s0), below = exponentials(l.below_s0);
        chains[2 * k] = {l.weight * above.first,
                         -kRates[0] * l.above_slope,
                         l.weight * below.first,
                         -kRates[0] * l.below_slope,
                         1.0,
                         0.0,
                         0.0};
        chains[2 * k + 1] = {-l.weight * above.second,
                             -kRates[1] * l.above_slope,
                             -l.weight * below.second,
                             -kRates[1] * l.below_slope,
                             1.0,
                             0.0,
                             0.0};
    }
    for (int n = 0; n <= kOrder; ++n) {
        double below_total = 0.0;
        for (size_t k = 0; k < count; ++k) {
            double change = 0.0;
            for (int r = 0; r < 2; ++r) {
                Chain& c = chains[2 * k + r];
                if (n > 0) c.e = c.below_rate * (c.sum - c.weighted_sum * kInverse[n]);
                const double below = c.below_scale * c.e;
                change += c.above - below;
                below_total += below;
                c.above *= c.above_step * kInverse[n + 1];
                c.below_scale *= local_[k].below_z;
                c.sum += c.e;
                c.weighted_sum += n * c.e;
            }
            changes_[k][n] = change;
        }
        out.below_first_cusp[n] += below_total;
    }

    order_.resize(count);
    for (size_t k = 0; k < count; ++k) order_[k] = k;
    std::sort(order_.begin(), order_.end(),
              [&](size_t a, size_t b) { return local_[a].x < local_[b].x; });
    for (const size_t k : order_) {
        if (out.cusps.empty() || out.cusps.back().x != local_[k].x)
            out.cusps.push_back({local_[k].x, Series{}});
        Series& change = out.cusps.back().change;
        for (int n = 0; n <= kOrder; ++n) change[n] += changes_[k][n];
    }
}

void WindowExpander::expand_sweep_partial(size_t i, double x_begin, double x_end, bool include_end,
                                          Window& out) {
    const Sweep& sweep = sweep_[i];
    const double per_x = base_hz_ * sweep.ratio;
    const double g0 = per_x * x0_, g_begin = per_x * x_begin, g_end = per_x * x_end;
    const double v0 = 1.0 / (rt::kBandwidthSlope * g0 + rt::kBandwidthOffset);
    const double z = -rt::kBandwidthSlope * per_x * half_width_ * v0;
    const double largest = log_weight(sweep.log_amplitude, max_fixed_log_amplitude_);
    const double offset = rt::kBandwidthOffset / rt::kBandwidthSlope;
    // A fixed partial's cusp with this sweep partial, computed as the cusp lists compute it.
    auto below = [&](double x) {
        return [&, x](const Fixed& f) { return f.ratio / sweep.ratio < x; };
    };
    const auto first_local = std::partition_point(fixed_.begin(), fixed_.end(), below(x_begin));
    const auto end_local =
        include_end
            ? std::partition_point(first_local, fixed_.end(),
                                   [&](const Fixed& f) { return f.ratio / sweep.ratio <= x_end; })
            : std::partition_point(first_local, fixed_.end(), below(x_end));

    // Fixed partials below the sweep partial all through the window: s = α·(g − F), linear in x.
    for (auto f = first_local; f != fixed_.begin();) {
        --f;
        const double s_least = std::max(0.0, f->above_rate * (g_begin - f->hz));
        if (largest - rt::kFirstRate * s_least < log_cutoff_) break;
        if (log_weight(sweep.log_amplitude, f->log_amplitude) - rt::kFirstRate * s_least <
            log_cutoff_)
            continue;
        in_t_.add(weight(sweep.amplitude, f->amplitude), f->above_rate * (g0 - f->hz),
                  f->above_rate * per_x * half_width_);
    }
    // Fixed partials above it all through the window: s = β·v − 0.24/0.021, linear in v.
    for (auto f = end_local; f != fixed_.end(); ++f) {
        const double s_least =
            std::max(0.0, rt::kNumerator * (f->hz - g_end) /
                              (rt::kBandwidthSlope * g_end + rt::kBandwidthOffset));
        if (largest - rt::kFirstRate * s_least < log_cutoff_) break;
        if (log_weight(sweep.log_amplitude, f->log_amplitude) - rt::kFirstRate * s_least <
            log_cutoff_)
            continue;
        in_q_.add(weight(sweep.amplitude, f->amplitude), rt::kNumerator * (f->hz - g0) * v0,
                  rt::kNumerator * (f->hz + offset) * v0);
    }
    // Fixed partials it meets in the window: the branch below the cusp until the cusp, then
    // the one above.
    for (auto f = first_local; f != end_local; ++f)
        local_.push_back({f->ratio / sweep.ratio, weight(sweep.amplitude, f->amplitude),
                          f->above_rate * (g0 - f->hz), f->above_rate * per_x * half_width_,
                          rt::kNumerator * (f->hz - g0) * v0,
                          rt::kNumerator * (f->hz + offset) * v0, z});
    // Sweep partials above this one: s = γ·(1 − 19·v), γ = 0.24·(ρj − ρi)/(0.021·ρi).
    for (size_t j = i + 1; j < sweep_.size(); ++j) {
        const Sweep& upper = sweep_[j];
        if (upper.ratio == sweep.ratio) continue;  // s = 0 at every x: the term is 0
        const double gap = rt::kNumerator * (upper.ratio - sweep.ratio) * base_hz_;
        const double s_least =
            gap * x_begin / (rt::kBandwidthSlope * g_begin + rt::kBandwidthOffset);
        if (largest - rt::kFirstRate * s_least < log_cutoff_) break;
        if (log_weight(sweep.log_amplitude, upper.log_amplitude) - rt::kFirstRate * s_least <
            log_cutoff_)
            continue;
        const double gamma =
            rt::kNumerator * (upper.ratio - sweep.ratio) / (rt::kBandwidthSlope * sweep.ratio);
        in_q_.add(weight(sweep.amplitude, upper.amplitude), gap * x0_ * v0,
                  -gamma * rt::kBandwidthOffset * v0);
    }
    Series of_q{};
    in_q_.add_to(of_q);
    add_substituted(out.below_first_cusp, of_q, z);
}

}  // namespace kelvara::curve_series
