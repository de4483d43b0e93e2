#pragma once
// Whether a rendered tone holds exactly the partials it was asked for.
#include <vector>

#include "engine/tone_partials.h"

namespace kelvara::testing {

// Checks (with gtest) every partial of `partials` below `highest_hz` in `signal`: its
// frequency within 0.1 cent of fundamental_hz × ratio and its amplitude, relative to the
// loudest partial, within 1 dB of the one asked for; a partial of amplitude 0 at least
// 60 dB below the loudest.
void expect_partials(const std::vector<float>& signal, double sample_rate, double fundamental_hz,
                     const std::vector<TonePartial>& partials, double highest_hz);

}  // namespace kelvara::testing
