#include "engine/curve_minima.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/curve_extrema.h"
#include "engine/minimum_prominence.h"

namespace kelvara {

Result<void> check_minima_search(const MinimaSearch& search) {
    if (auto checked = check_curve_range(search.x_min, search.x_max); !checked)
        return checked.error();
    const JustNaming& just = search.just;
    if (!std::isfinite(just.tolerance_cents) || just.tolerance_cents < 0.0)
        return minima_refusal(
            "The just-ratio tolerance must be a finite number of cents, 0 or more.");
    if (just.max_denominator < 1 || just.max_denominator > kMaxJustDenominator)
        return minima_refusal("The largest just-ratio denominator must lie between 1 and " +
                              std::to_string(kMaxJustDenominator) + ".");
    if (just.odd_limit < 0 || just.odd_limit > kMaxJustOddLimit)
        return minima_refusal("The just-ratio odd limit must lie between 0 (none) and " +
                              std::to_string(kMaxJustOddLimit) + ".");
    return {};
}

Result<std::vector<CurveMinimum>> find_curve_minima(const CurveDefinition& curve,
                                                    const MinimaSearch& search) {
    if (auto checked = check_minima_search(search); !checked) return checked.error();
    Result<CurveExtrema> searched = find_curve_extrema(curve, search.x_min, search.x_max);
    if (!searched) return searched.error();
    const CurveExtrema& found = *searched;
    const std::vector<CurveExtremum>& extrema = found.extrema;

    // The turning points with the range's ends, unless a minimum lies on an end.
    std::vector<TurningPoint> points;
    const bool starts_with_minimum = !extrema.empty() && extrema.front().ratio == search.x_min;
    const bool ends_with_minimum = !extrema.empty() && extrema.back().ratio == search.x_max;
    if (!starts_with_minimum) points.push_back({found.value_at_begin, false});
    for (const CurveExtremum& e : extrema) points.push_back({e.value, e.is_minimum});
    if (!ends_with_minimum) points.push_back({found.value_at_end, false});
    // Depths that differ by less than the search resolves are one depth.
    const std::vector<double> prominence = minimum_prominences(points, found.value_resolution);

    const auto [lowest, highest] = std::minmax_element(
        points.begin(), points.end(),
        [](const TurningPoint& a, const TurningPoint& b) { return a.value < b.value; });
    const double span = points.empty() ? 0.0 : highest->value - lowest->value;

    std::vector<CurveMinimum> minima;
    const size_t offset = starts_with_minimum ? 0 : 1;
    for (size_t k = 0; k < extrema.size(); ++k) {
        const CurveExtremum& e = extrema[k];
        if (!e.is_minimum) continue;
        const double p = prominence[k + offset];
        minima.push_back({e.ratio, ratio_to_cents(e.ratio), e.value, p,
                          span > 0.0 ? std::min(p / span, 1.0) : 0.0, e.is_cusp,
                          name_just_ratio(e.ratio, search.just)});
    }
    return minima;
}

}  // namespace kelvara
