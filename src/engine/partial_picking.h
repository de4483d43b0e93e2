#pragma once
// From the peaks of a recording's spectrum to the partials of a timbre: the strongest peaks
// within a threshold of the strongest, at most a given number, as ratios to a fundamental
// and amplitudes relative to the strongest. Cheap enough to run again on every change of a
// setting, without measuring the spectrum again.
//
// Pure functions; any thread.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/error.h"
#include "engine/curve_definition.h"
#include "engine/magnitude_peaks.h"

namespace kelvara {

// The deepest threshold below the strongest partial. The window's side lobes lie 92 dB
// down; between two strong partials close together they add up to bumps some 90 dB down,
// which must not count as partials.
inline constexpr double kMaxThresholdDb = 80.0;

struct MeasuredPartial {
    double ratio = 1.0;         // frequency over the fundamental's
    double amplitude = 1.0;     // linear, relative to the strongest partial (which has 1)
    double amplitude_db = 0.0;  // 20·log10(amplitude): 0 for the strongest, negative below
    double frequency_hz = 0.0;
};

struct PickingSettings {
    int32_t max_partials = 24;   // 1 .. kMaxCurvePartials
    double threshold_db = 60.0;  // partials more than this below the strongest are left out
                                 // (more than 0, at most kMaxThresholdDb)
    // The picked partial nearest to this frequency (in cents) becomes ratio 1; without it the
    // fundamental is proposed by propose_fundamental.
    std::optional<double> fundamental_hz;
};

struct PickedPartials {
    std::vector<MeasuredPartial> partials;  // ascending frequency
    int32_t fundamental_index = 0;          // the partial with ratio 1

    double fundamental_hz() const { return partials.at(fundamental_index).frequency_hz; }
};

// The peak to call 1, as an index into `peaks` (ascending frequency, not empty). Among the
// peaks at most 30 dB below the strongest, the one whose integer multiples (within 1.5 %)
// carry the most amplitude of the other peaks, when at least two such harmonics carry a
// quarter of it (a harmonic or nearly harmonic timbre, even one whose lowest harmonic is
// missing or weak); otherwise the lowest of them (an inharmonic timbre: bar, bell, gong).
int32_t propose_fundamental(std::span<const SpectralPeak> peaks);

// The partials as a timbre holds them: ratio and linear amplitude, ascending ratio.
std::vector<Partial> timbre_partials(const PickedPartials& picked);

// Why the settings are out of range, if they are.
std::optional<Error> check_picking_settings(const PickingSettings& settings);

// Refused: settings out of range, or no peak at all.
Result<PickedPartials> pick_partials(std::span<const SpectralPeak> peaks,
                                     const PickingSettings& settings);

}  // namespace kelvara
