#pragma once
// Adaptive tuning of a held chord of eight notes, 25 geometrically falling harmonics each,
// against one evaluation of that chord's dissonance: the numbers of `kelvara-cli bench`'s
// adapt row. A key going down or up has to be retuned well within a glide's first step.
#include <cstdint>

#include "base/error.h"

namespace kelvara {

struct AdaptTiming {
    int32_t notes = 0;
    int32_t partials = 0;        // per note
    double adapt_us = 0.0;       // fastest adaptation seen, in processor time of this thread
    double dissonance_us = 0.0;  // fastest single evaluation of the chord's dissonance
    double ratio = 0.0;          // adapt_us / dissonance_us
    double moved_cents = 0.0;    // the largest move, so a run that did nothing shows
};

inline constexpr double kAdaptTargetUs = 200.0;

// Repeats both for at least `min_seconds` (and at least once each), taking turns.
Result<AdaptTiming> time_adaptation(double min_seconds);

}  // namespace kelvara
