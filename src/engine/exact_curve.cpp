#include "engine/exact_curve.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/roughness_terms.h"

namespace kelvara {

namespace rt = roughness_terms;

Result<ExactCurve> ExactCurve::create(const CurveDefinition& curve) {
    if (auto checked = check_curve_definition(curve); !checked) return checked.error();
    return ExactCurve(curve);
}

ExactCurve::ExactCurve(const CurveDefinition& curve)
    : base_hz_(curve.base_frequency_hz), model_(curve.model) {
    // Partials of amplitude 0 add exactly 0.
    for (const Partial& p : curve.partials)
        if (p.amplitude > 0.0) sweep_.push_back({p.ratio, p.amplitude});
    std::sort(sweep_.begin(), sweep_.end(),
              [](const Sounding& a, const Sounding& b) { return a.ratio < b.ratio; });
    for (const double r : curve.fixed_tone_ratios)
        for (const Sounding& p : sweep_) fixed_.push_back({r * p.ratio, p.amplitude});

    for (size_t i = 0; i < fixed_.size(); ++i)
        for (size_t j = i + 1; j < fixed_.size(); ++j) {
            const double fi = base_hz_ * fixed_[i].ratio, fj = base_hz_ * fixed_[j].ratio;
            const double s = rt::separation(std::min(fi, fj), std::max(fi, fj));
            fixed_pairs_ += 2.0 * pair_weight(fixed_[i].amplitude, fixed_[j].amplitude, model_) *
                            rt::term(s).value;
        }
}

CurvePoint ExactCurve::at(double x) const {
    if (!std::isfinite(x) || x <= 0.0) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        return {nan, nan, nan, false};
    }
    CurvePoint point{fixed_pairs_, 0.0, 0.0, false};
    double slope = 0.0;  // of every pair that does not coincide at x
    double coinciding_below = 0.0, coinciding_above = 0.0;
    // Adds the pair with its lower partial at `lower` Hz to `pair_slope` and returns its value.
    auto add = [&](double weight, double lower, double upper, double lower_per_x,
                   double upper_per_x, double& pair_slope) {
        const rt::Term d = rt::term(std::max(0.0, rt::separation(lower, upper)));
        pair_slope +=
            2.0 * weight * d.slope * rt::separation_slope(lower, upper, lower_per_x, upper_per_x);
        return 2.0 * weight * d.value;
    };
    for (size_t i = 0; i < sweep_.size(); ++i) {
        const double per_x = base_hz_ * sweep_[i].ratio;
        const double g = per_x * x;
        for (const Sounding& f : fixed_) {
            const double weight = pair_weight(sweep_[i].amplitude, f.amplitude, model_);
            const double fixed_hz = base_hz_ * f.ratio;
            // Which partial is the lower one is decided by the cusp's x, not by the rounded
            // frequencies, so that at x = cusp the two sides are exactly the two branches.
            const double cusp = f.ratio / sweep_[i].ratio;
            if (x < cusp) {
                point.value += add(weight, g, fixed_hz, per_x, 0.0, slope);
            } else if (x > cusp) {
                point.value += add(weight, fixed_hz, g, 0.0, per_x, slope);
            } else {
                point.is_cusp = true;
                point.value += add(weight, g, fixed_hz, per_x, 0.0, coinciding_below);
                add(weight, fixed_hz, g, 0.0, per_x, coinciding_above);
            }
        }
        for (size_t j = i + 1; j < sweep_.size(); ++j) {
            const double weight = pair_weight(sweep_[i].amplitude, sweep_[j].amplitude, model_);
            const double upper_per_x = base_hz_ * sweep_[j].ratio;
            point.value += add(weight, g, upper_per_x * x, per_x, upper_per_x, slope);
        }
    }
    point.slope_below = slope + coinciding_below;
    point.slope_above = slope + coinciding_above;
    return point;
}

}  // namespace kelvara
