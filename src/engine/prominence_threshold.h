#pragma once
// The least prominence of the minima a person is shown, listed, marked and taken into the
// scale: a percentage of the curve's range (the default, so that a change of timbre keeps its
// valleys listed: six equal harmonics peak near 0.14, 25 geometric ones near 4), or a value
// in the curve's own units. Written as "5%" or as "0.05".
//
//   parse_prominence_threshold("5%")   -> 5 percent of the range
//   parse_prominence_threshold("0.05") -> 0.05 in the curve's units
#include <optional>
#include <string>
#include <string_view>

#include "engine/curve_minima.h"

namespace kelvara {

// 3% lists the twelve main valleys of a new document and seven of the nine of six equal
// harmonics, where 0.05 in the curve's units listed three.
inline constexpr double kDefaultProminencePercent = 3.0;

struct ProminenceThreshold {
    double value = kDefaultProminencePercent;  // percent when relative, else the curve's units
    bool relative = true;
    bool admits(const CurveMinimum& m) const {
        return relative ? m.relative_prominence * 100.0 >= value : m.prominence >= value;
    }
    friend bool operator==(const ProminenceThreshold&, const ProminenceThreshold&) = default;
};

// A value 0 or more (and at most 100 percent) written as a number, with a trailing % for a
// percentage; spaces around it are ignored. Nothing for any other text.
std::optional<ProminenceThreshold> parse_prominence_threshold(std::string_view text);

// "5%" or "0.05": the shortest text that reads back to the same value.
std::string prominence_threshold_text(const ProminenceThreshold& threshold);

// True when `threshold` is one parse_prominence_threshold could give.
bool is_valid_prominence_threshold(const ProminenceThreshold& threshold);

}  // namespace kelvara
