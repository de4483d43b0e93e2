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

struct CuspLine {
    double ratio;
    double weight;  // of the pair of partials meeting along it
};

// The ratios of the lines whose weight is at least kWeakCuspShare of the heaviest one,
// ascending and distinct.
std::vector<double> strong_ratios(const std::vector<CuspLine>& lines) {
    double heaviest = 0.0;
    for (const CuspLine& line : lines) heaviest = std::max(heaviest, line.weight);
    std::vector<double> ratios;
    for (const CuspLine& line : lines)
        if (line.weight >= kWeakCuspShare * heaviest) ratios.push_back(line.ratio);
    std::sort(ratios.begin(), ratios.end());
    ratios.erase(std::unique(ratios.begin(), ratios.end()), ratios.end());
    return ratios;
}

}  // namespace

Result<ExactSurface> ExactSurface::create(const CurveDefinition& curve) {
    if (auto checked = check_curve_definition(curve); !checked)
        return surface_refusal(checked.error().reason);
    return ExactSurface(curve);
}

ExactSurface::ExactSurface(const CurveDefinition& curve) : model_(curve.model) {
    // Partials of amplitude 0 add exactly 0 and meet nothing audibly.
    std::vector<Partial> sounding;
    for (const Partial& p : curve.partials)
        if (p.amplitude > 0.0) {
            tone_.push_back({curve.base_frequency_hz * p.ratio, p.amplitude});
            sounding.push_back(p);
        }
    std::vector<CuspLine> meetings, crossings;
    for (const double t : surface_fixed_tones(curve))
        for (const Partial& fixed : sounding) {
            fixed_.push_back({t * (curve.base_frequency_hz * fixed.ratio), fixed.amplitude});
            for (const Partial& q : sounding)
                meetings.push_back({t * fixed.ratio / q.ratio,
                                    pair_weight<double>(fixed.amplitude, q.amplitude, model_)});
        }
    for (const Partial& p : sounding)
        for (const Partial& q : sounding)
            crossings.push_back(
                {p.ratio / q.ratio, pair_weight<double>(p.amplitude, q.amplitude, model_)});
    meeting_ratios_ = strong_ratios(meetings);
    partial_ratios_ = strong_ratios(crossings);
    const auto by_hz = [](const Sounding& x, const Sounding& y) { return x.hz < y.hz; };
    std::sort(tone_.begin(), tone_.end(), by_hz);
    std::sort(fixed_.begin(), fixed_.end(), by_hz);
    for (size_t i = 0; i < fixed_.size(); ++i)
        for (size_t j = i + 1; j < fixed_.size(); ++j)
            fixed_pairs_ +=
                pair_value(pair_weight(fixed_[i].amplitude, fixed_[j].amplitude, model_),
                           fixed_[i].hz, fixed_[j].hz);
}

double ExactSurface::pairs_near(double hz, double amplitude, const std::vector<Sounding>& others,
                                double scale) const {
    // Partials further apart than kNegligibleSeparation either way, from the inequality
    // solved for the other partial's frequency.
    constexpr double kReach = kNegligibleSeparation / rt::kNumerator;
    const double lowest =
        (hz - kReach * rt::kBandwidthOffset) / (1.0 + kReach * rt::kBandwidthSlope);
    const double highest = hz + kReach * (rt::kBandwidthSlope * hz + rt::kBandwidthOffset);
    auto it = std::lower_bound(others.begin(), others.end(), lowest,
                               [scale](const Sounding& o, double f) { return o.hz * scale < f; });
    double sum = 0.0;
    for (; it != others.end() && it->hz * scale <= highest; ++it)
        sum += pair_value(pair_weight(amplitude, it->amplitude, model_), hz, it->hz * scale);
    return sum;
}

double ExactSurface::tone_pairs(double a, double b) const {
    double sum = 0.0;
    for (const Sounding& p : tone_) sum += pairs_near(a * p.hz, p.amplitude, tone_, b);
    return sum;
}

// Each pair twice over, as both tone_pairs orders it: half of that.
double ExactSurface::self_pairs(double a) const {
    return 0.5 * tone_pairs(a, a);
}

double ExactSurface::fixed_tone_pairs(double a) const {
    double sum = 0.0;
    for (const Sounding& p : tone_) sum += pairs_near(a * p.hz, p.amplitude, fixed_, 1.0);
    return sum;
}

double ExactSurface::at(double r, double s) const {
    if (!std::isfinite(r) || !std::isfinite(s) || r <= 0.0 || s <= 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    return fixed_pairs_ + self_pairs(r) + self_pairs(s) + fixed_tone_pairs(r) +
           fixed_tone_pairs(s) + tone_pairs(r, s);
}

double ExactSurface::held(double s) const {
    return fixed_pairs_ + self_pairs(s) + fixed_tone_pairs(s);
}

double ExactSurface::swept(double r, double s) const {
    return self_pairs(r) + fixed_tone_pairs(r) + tone_pairs(r, s);
}

double ExactSurface::pairs_per_point() const {
    const auto tone = static_cast<double>(tone_.size());
    return tone * (static_cast<double>(fixed_.size()) + 1.5 * tone);
}

}  // namespace kelvara
