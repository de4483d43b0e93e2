#pragma once
// One tone of a timbre as the list of its sine partials: each partial's frequency as a ratio
// to the tone's fundamental, and its linear amplitude. This is what a tone of the curve is
// made of, and what the synthesizer's "Document timbre" program plays, so the two can never
// disagree. Any ratios may appear (harmonic or not); the list is in partial order.
#include <vector>

#include "engine/partials.h"

namespace kelvara {

struct TonePartial {
    double ratio = 1.0;      // frequency / the tone's fundamental, above 0
    double amplitude = 1.0;  // linear, 1.0 as loud as a pure tone's only partial

    friend bool operator==(const TonePartial&, const TonePartial&) = default;
};

// The partials of one tone of `timbre`, with the amplitudes the curve uses (partials of
// amplitude 0, as the even harmonics of the odd type, included). Empty for a timbre type
// or overtone count the document never holds.
std::vector<TonePartial> tone_partials(const Timbre& timbre);

}  // namespace kelvara
