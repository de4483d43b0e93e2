#pragma once
// Partial lists to start a timbre of one's own from: an ideal free bar, a stiff string, and a
// few spectra published in the acoustics literature (the help page cites the same sources).
//
// Pure functions; any thread.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "base/value_limits.h"
#include "engine/engine_limits.h"
#include "engine/partials.h"

namespace kelvara {

// The bending modes of an ideal uniform bar free at both ends (Euler–Bernoulli beam): mode n
// sounds at a frequency proportional to β_n², where β_n is the n-th positive root of
// cos β · cosh β = 1 (4.7300, 7.8532, 10.9956, ...), so the ratios are (β_n / β_1)²: 1, 2.756,
// 5.404, 8.933, 13.344, ... The amplitudes fall as 1/n (how strongly each mode sounds depends
// on where the bar is struck; edit them to taste). `count` is clamped to 1 .. kMaxCustomPartials;
// modes above the highest partial ratio (kPartialRatioBounds, mode 47) are left out.
std::vector<Partial> free_bar_partials(int32_t count);

// The largest inharmonicity coefficient accepted (far beyond any real string: the 128th
// partial of B = 1 lies 7 octaves above the harmonic one).
inline constexpr double kMaxInharmonicity = 1.0;

// A string with bending stiffness: partial k sounds at f_k = k·f·√(1 + B·k²), given as the
// ratio f_k / f_1; amplitudes 1/k. B = 0 gives the harmonic series; piano strings lie between
// about 0.00005 and 0.02. Nothing for B outside 0 .. kMaxInharmonicity (or not a number);
// `count` is clamped to 1 .. kMaxCustomPartials; partials above the highest partial ratio
// (kPartialRatioBounds) are left out.
std::optional<std::vector<Partial>> stiff_string_partials(int32_t count, double inharmonicity);

// A spectrum taken from the literature: its name for a menu, the source to cite, and its
// partials. The sources give tuning targets (frequency ratios) rather than levels, so every
// amplitude is 1.
struct PublishedSpectrum {
    std::string_view name;
    std::string_view source;
    std::vector<Partial> partials;
};

const std::vector<PublishedSpectrum>& published_spectra();

}  // namespace kelvara
