#include "engine/exact_surface.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/roughness_terms.h"
#include "engine/triad_surface.h"

namespace kelvara {
namespace {

namespace rt = roughness_terms;

double pair_value(double weight, double f, double g) {
    return 2.0 * weight * rt::term(rt::separation(std::min(f, g), std::max(f, g))).value;
}

void sort_distinct(std::vector<double>& values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

}  // namespace

Result<ExactSurface> ExactSurface::create(const CurveDefinition& curve) {
    if (auto checked = check_curve_definition(curve); !checked)
        return surface_refusal(checked.error().reason);
    return ExactSurface(curve);
}

ExactSurface::ExactSurface(const CurveDefinition& curve) : model_(curve.model) {
    // Partials of amplitude 0 add exactly 0 and meet nothing audibly.
    std::vector<double> ratios;
    for (const Partial& p : curve.partials)
        if (p.amplitude > 0.0) {
            tone_.push_back({curve.base_frequency_hz * p.ratio, p.amplitude});
            ratios.push_back(p.ratio);
        }
    for (const double t : surface_fixed_tones(curve))
        for (size_t k = 0; k < tone_.size(); ++k) {
            fixed_.push_back({t * tone_[k].hz, tone_[k].amplitude});
            for (const double q : ratios) meeting_ratios_.push_back(t * ratios[k] / q);
        }
    for (const double p : ratios)
        for (const double q : ratios) partial_ratios_.push_back(p / q);
    sort_distinct(meeting_ratios_);
    sort_distinct(partial_ratios_);
    for (size_t i = 0; i < fixed_.size(); ++i)
        for (size_t j = i + 1; j < fixed_.size(); ++j)
            fixed_pairs_ +=
                pair_value(pair_weight(fixed_[i].amplitude, fixed_[j].amplitude, model_),
                           fixed_[i].hz, fixed_[j].hz);
}

double ExactSurface::tone_pairs(double a, double b) const {
    double sum = 0.0;
    for (const Sounding& p : tone_)
        for (const Sounding& q : tone_)
            sum += pair_value(pair_weight(p.amplitude, q.amplitude, model_), a * p.hz, b * q.hz);
    return sum;
}

double ExactSurface::self_pairs(double a) const {
    double sum = 0.0;
    for (size_t i = 0; i < tone_.size(); ++i)
        for (size_t j = i + 1; j < tone_.size(); ++j)
            sum += pair_value(pair_weight(tone_[i].amplitude, tone_[j].amplitude, model_),
                              a * tone_[i].hz, a * tone_[j].hz);
    return sum;
}

double ExactSurface::fixed_tone_pairs(double a) const {
    double sum = 0.0;
    for (const Sounding& p : tone_)
        for (const Sounding& f : fixed_)
            sum += pair_value(pair_weight(p.amplitude, f.amplitude, model_), a * p.hz, f.hz);
    return sum;
}

double ExactSurface::at(double r, double s) const {
    if (!std::isfinite(r) || !std::isfinite(s) || r <= 0.0 || s <= 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    return fixed_pairs_ + self_pairs(r) + self_pairs(s) + fixed_tone_pairs(r) +
           fixed_tone_pairs(s) + tone_pairs(r, s);
}

}  // namespace kelvara
