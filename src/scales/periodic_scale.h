#pragma once
// A scale that repeats by a period, as tuning files and keyboards see it, and the two ways
// between it and the scale table: one period taken out of a table that spans several (for
// export), and an imported scale laid out by periods across the table's x range.
//
// Degree 0 is the unison 1/1; degrees 1..N are the scale's ratios, the last of them (degree N)
// the period. Degree d = q * N + r (0 <= r < N) sounds period^q * ratio(r), so the scale goes
// on by its period up and down: with 12 equal steps and period 2, degree 13 is 2 * 2^(1/12)
// and degree -1 is 2^(11/12) / 2. Pure values and functions; any thread.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "scales/scale_generator.h"

namespace kelvara {

class PeriodicScale {
public:
    // The scale of degrees 1..N with these ratios (N = their count), the last the period.
    // Nothing unless there is at least one ratio, every ratio is finite and above 0, and the
    // period is finite and above 1 (a period at or below 1/1 would not climb). The ratios
    // between need not be sorted or below the period: a file may list them so.
    static std::optional<PeriodicScale> from_ratios(std::vector<double> degree_ratios);

    int32_t degrees_per_period() const { return static_cast<int32_t>(ratios_.size()); }
    double period() const { return ratios_.back(); }
    // Degrees 1..N, as given.
    const std::vector<double>& degree_ratios() const { return ratios_; }

    // The ratio from degree `from` up to degree `to` (below 1 when `to` sounds lower), any
    // integers: ratio(to) / ratio(from) without forming either alone, so two degrees far out
    // give their interval even where period^q alone would overflow. 0 or infinity only when
    // the interval itself is beyond a double.
    double ratio_between_degrees(int64_t from, int64_t to) const;
    // ratio_between_degrees(0, degree): degree 0 is 1/1.
    double ratio_of_degree(int64_t degree) const { return ratio_between_degrees(0, degree); }

    friend bool operator==(const PeriodicScale&, const PeriodicScale&) = default;

private:
    explicit PeriodicScale(std::vector<double> ratios) : ratios_(std::move(ratios)) {}
    std::vector<double> ratios_;  // degrees 1..N; never empty, the last above 1
};

// Two table entries closer than this are one pitch when a table is cut into periods: an
// entry this close to 1/1 or to the period is that pitch (a table computed in floats may hold
// 1.9999999 for 2), and an entry of a later period this close to a step repeats it. About
// three float steps at any ratio.
inline constexpr double kSamePitchCents = 0.001;

// The period an export proposes for a scale table: 2/1 when the table reaches it (holds an
// entry at or above 2), otherwise the largest entry when it is above 1/1 (the whole table is
// then one period). Nothing when no entry is a finite ratio above 1.
std::optional<float> default_period(std::span<const float> table);

// One period of a scale table, cut at 1/1 and `period` (any order of entries; entries that are
// not finite ratios above 0 are left out).
struct TablePeriod {
    // The distinct entries above 1/1 and below the period (by more than kSamePitchCents),
    // ascending: the steps a tuning file lists before the period.
    std::vector<float> steps;
    float period = 2.0f;
    // The entries the file cannot say: those outside [1/1, period] that are neither 1/1, the
    // period nor a step moved by whole periods (within kSamePitchCents). 0 when the table
    // repeats by the period; a window may warn otherwise.
    int32_t entries_not_repeating = 0;
};
// Nothing when the period is not a finite ratio above 1.
std::optional<TablePeriod> one_period_of_table(std::span<const float> table, float period);

// The periodic scale of a cut table, its steps and then its period: what the keyboard and the
// tuning dump play for an exported table. Every cut one_period_of_table() gives converts;
// nothing for a hand-made one that is no scale (see PeriodicScale::from_ratios).
std::optional<PeriodicScale> periodic_scale_of(const TablePeriod& cut);

// The most values expand_by_periods() gives: the scale generator's limit, so an imported scale
// can fill a table exactly as far as a generated one can.
inline constexpr int32_t kMaxExpandedRatios = kMaxGeneratedRatios;

// The table ratios of a periodic scale across the x range [x_min, x_max]: 1/1 and every
// degree's ratio moved by whole periods (ratio * period^k, k any integer, computed in 64 bits),
// each rounded to a float and kept when inside the range, ascending, without duplicates.
// 12 equal steps over 1..4 give 25 values, 2^(k/12) for k = 0..24.
// Nothing when the range is not finite with 0 < x_min <= x_max, would hold more than
// kMaxExpandedRatios values, or spans more periods than that (a period a hair above 1/1);
// the work is bounded by the scale's size plus that limit, whatever the scale.
std::optional<std::vector<float>> expand_by_periods(const PeriodicScale& scale, float x_min,
                                                    float x_max);

}  // namespace kelvara
