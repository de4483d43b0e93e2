#pragma once
// Adaptive tuning: the notes of a held chord moved, each by a few cents, to the local minimum
// of the total sensory dissonance of all their partials that is reached from the pitches the
// keys gave them. The model is the curve's own (every ordered pair of partials, in 64 bits);
// the minimum is usually a cusp where partials of two notes coincide, and the search lands on
// it exactly.
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "engine/partials.h"
#include "engine/roughness_model.h"

namespace kelvara {

// What keeps the chord as a whole from wandering from one chord to the next. Context tones,
// when there are any, hold the chord's pitch instead of the lowest note or the mean (a spring
// still pulls).
enum class TuningAnchor {
    LowestNote,  // the lowest sounding note keeps its pitch
    MeanPitch,   // the mean log-pitch of the notes keeps its value
    Spring,      // every note is pulled towards its own pitch with a chosen weight
};

struct AdaptationSettings {
    TuningAnchor anchor = TuningAnchor::LowestNote;
    // For Spring: moving every note 100 cents costs `spring_weight` times the chord's
    // dissonance at its nominal pitches.
    double spring_weight = 0.1;
    double max_move_cents = 50.0;  // no note moves further from its nominal pitch
    // A minimum that a rise of less than this fraction of the roughness the moving note takes
    // part in (its pairs with every other partial) separates from a deeper one is passed
    // over: it is too shallow to hear.
    double min_prominence = 0.01;
};

struct ChordToAdapt {
    std::vector<double> nominal_hz;  // the sounding notes, as the keys and the mapping give them
    std::vector<Partial> partials;   // the timbre every note and context tone sounds
    RoughnessModel model = RoughnessModel::Product;
    std::vector<double> context_hz;  // tones that sound along and never move (fixed tones)
};

struct AdaptedChord {
    std::vector<double> moved_cents;  // per note, in the order given
    std::vector<double> adapted_hz;
    double dissonance_before = 0.0;  // of all partials, context included
    double dissonance_after = 0.0;
};

// The bounds a chord to adapt is held to: at most kMaxAdaptedNotes notes and as many partials
// as a curve holds, finite positive frequencies, settings within their ranges. The error says
// which value is refused.
inline constexpr int32_t kMaxAdaptedNotes = 16;
Result<AdaptedChord> adapt_chord(const ChordToAdapt& chord, const AdaptationSettings& settings);

// The total dissonance of tones at `hz` (each sounding `partials`) under `model`: every
// ordered pair of their partials, as the curve sums it (to a few ulps: one exponential per
// pair instead of two).
double chord_dissonance(const std::vector<double>& hz, const std::vector<Partial>& partials,
                        RoughnessModel model);

}  // namespace kelvara
