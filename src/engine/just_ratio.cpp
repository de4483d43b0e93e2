#include "engine/just_ratio.h"

#include <algorithm>
#include <cmath>

namespace kelvara {

double ratio_to_cents(double ratio) {
    return 1200.0 * std::log2(ratio);
}

std::optional<JustRatio> nearest_just_ratio(double ratio, double tolerance_cents,
                                            int32_t max_denominator) {
    if (!std::isfinite(ratio) || ratio <= 0.0 || !(tolerance_cents >= 0.0) || max_denominator < 1)
        return std::nullopt;
    constexpr double kLargestNumerator = 2147483647.0;
    const int32_t last = std::min(max_denominator, kMaxJustDenominator);
    // Walking up the denominators finds the smallest one first; its fraction is in lowest
    // terms, since the same value with a smaller denominator would have been found before.
    for (int32_t q = 1; q <= last; ++q) {
        const double scaled = ratio * q;
        if (scaled + 1.0 > kLargestNumerator) return std::nullopt;
        std::optional<JustRatio> best;
        for (const double p : {std::floor(scaled), std::ceil(scaled)}) {
            if (p < 1.0) continue;
            const double cents = ratio_to_cents(scaled / p);
            if (std::fabs(cents) <= tolerance_cents &&
                (!best || std::fabs(cents) < std::fabs(best->cents_off)))
                best = JustRatio{static_cast<int32_t>(p), q, cents};
        }
        if (best) return best;
    }
    return std::nullopt;
}

}  // namespace kelvara
