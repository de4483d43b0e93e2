#include "scales/periodic_scale.h"

#include <algorithm>
#include <cmath>

namespace kelvara {

namespace {

bool is_ratio_above_zero(double ratio) {
    return std::isfinite(ratio) && ratio > 0.0;
}

double cents_of(double ratio) {
    return 1200.0 * std::log2(ratio);
}

// Degree d = period * size + step with 0 <= step < size (floor division), for any d: the
// remainder is taken directly, so no product can overflow at the ends of the 64-bit range.
struct DegreePlace {
    int64_t period;
    int64_t step;
};
DegreePlace place_of_degree(int64_t degree, int64_t size) {
    const int64_t remainder = degree % size;
    if (remainder < 0) return {degree / size - 1, remainder + size};
    return {degree / size, remainder};
}

}  // namespace

std::optional<PeriodicScale> PeriodicScale::from_ratios(std::vector<double> degree_ratios) {
    if (degree_ratios.empty()) return std::nullopt;
    if (!std::all_of(degree_ratios.begin(), degree_ratios.end(), is_ratio_above_zero))
        return std::nullopt;
    if (!(degree_ratios.back() > 1.0)) return std::nullopt;
    return PeriodicScale(std::move(degree_ratios));
}

double PeriodicScale::ratio_between_degrees(int64_t from, int64_t to) const {
    const auto size = static_cast<int64_t>(ratios_.size());
    const DegreePlace from_place = place_of_degree(from, size);
    const DegreePlace to_place = place_of_degree(to, size);
    const double from_ratio =
        from_place.step == 0 ? 1.0 : ratios_[static_cast<size_t>(from_place.step - 1)];
    const double to_ratio =
        to_place.step == 0 ? 1.0 : ratios_[static_cast<size_t>(to_place.step - 1)];
    // The difference of periods in a double: two degrees at opposite ends of the 64-bit range
    // must not overflow the subtraction.
    const double periods =
        static_cast<double>(to_place.period) - static_cast<double>(from_place.period);
    const double ratio = (to_ratio / from_ratio) * std::pow(period(), periods);
    if (std::isfinite(ratio) && ratio > 0.0) return ratio;
    // A part overflowed although the whole may not (a huge step against a far period): the
    // same product in octaves.
    return std::exp2(std::log2(to_ratio) - std::log2(from_ratio) + periods * std::log2(period()));
}

std::optional<float> default_period(std::span<const float> table) {
    const double reaches_octave = 2.0 * std::exp2(-kSamePitchCents / 1200.0);
    std::optional<float> largest;
    for (const float entry : table) {
        if (!std::isfinite(entry) || !(entry > 1.0f)) continue;
        if (entry >= reaches_octave) return 2.0f;
        if (!largest || entry > *largest) largest = entry;
    }
    return largest;
}

std::optional<TablePeriod> one_period_of_table(std::span<const float> table, float period) {
    if (!std::isfinite(period) || !(period > 1.0f)) return std::nullopt;
    const double period_cents = cents_of(period);

    TablePeriod result;
    result.period = period;
    std::vector<double> outside_cents;
    for (const float entry : table) {
        if (!is_ratio_above_zero(entry)) continue;
        const double cents = cents_of(entry);
        if (std::abs(cents) <= kSamePitchCents) continue;
        if (std::abs(cents - period_cents) <= kSamePitchCents) continue;
        if (cents > 0.0 && cents < period_cents)
            result.steps.push_back(entry);
        else
            outside_cents.push_back(cents);
    }
    std::sort(result.steps.begin(), result.steps.end());
    result.steps.erase(std::unique(result.steps.begin(), result.steps.end()), result.steps.end());

    // An entry of another period repeats the table when, brought into [0, period) cents, it
    // lands on 1/1, a step, or the period (from just below it).
    std::vector<double> landing_cents{0.0};
    for (const float step : result.steps) landing_cents.push_back(cents_of(step));
    landing_cents.push_back(period_cents);
    for (const double cents : outside_cents) {
        const double folded = cents - period_cents * std::floor(cents / period_cents);
        const auto next = std::lower_bound(landing_cents.begin(), landing_cents.end(), folded);
        const bool near_next = next != landing_cents.end() && *next - folded <= kSamePitchCents;
        const bool near_previous =
            next != landing_cents.begin() && folded - *(next - 1) <= kSamePitchCents;
        if (!near_next && !near_previous) ++result.entries_not_repeating;
    }
    return result;
}

std::optional<PeriodicScale> periodic_scale_of(const TablePeriod& cut) {
    std::vector<double> ratios(cut.steps.begin(), cut.steps.end());
    ratios.push_back(cut.period);
    return PeriodicScale::from_ratios(std::move(ratios));
}

std::optional<std::vector<float>> expand_by_periods(const PeriodicScale& scale, float x_min,
                                                    float x_max) {
    if (!std::isfinite(x_min) || !std::isfinite(x_max) || !(x_min > 0.0f) || x_min > x_max)
        return std::nullopt;
    const double log_period = std::log(scale.period());

    std::vector<double> degree_ratios{1.0};
    degree_ratios.insert(degree_ratios.end(), scale.degree_ratios().begin(),
                         scale.degree_ratios().end());
    std::vector<float> values;
    for (const double ratio : degree_ratios) {
        // The whole periods k with x_min <= ratio * period^k <= x_max, widened by one on each
        // side for rounding (the float test below decides). Limits in doubles first: a ratio
        // far outside the range gives a k beyond any integer type.
        const double lowest = std::ceil(std::log(x_min / ratio) / log_period) - 1.0;
        const double highest = std::floor(std::log(x_max / ratio) / log_period) + 1.0;
        if (!(lowest <= highest)) continue;
        if (highest - lowest > kMaxExpandedRatios + 2.0) return std::nullopt;
        for (double k = lowest; k <= highest; k += 1.0) {
            const auto value = static_cast<float>(ratio * std::pow(scale.period(), k));
            if (value < x_min || value > x_max) continue;
            values.push_back(value);
            // Duplicates are counted too, so the work stays bounded before they are removed.
            if (values.size() > 2 * static_cast<size_t>(kMaxExpandedRatios)) return std::nullopt;
        }
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    if (values.size() > static_cast<size_t>(kMaxExpandedRatios)) return std::nullopt;
    return values;
}

}  // namespace kelvara
