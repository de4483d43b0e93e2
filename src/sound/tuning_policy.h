#pragma once
// From measured errors to corrections, keeping what the bank meant.
//
// Zones that sound together as one tone form a layer: their key ranges overlap by at least
// half the narrower one, their velocity ranges overlap, and they declare the same root key
// (the same sample, a stereo pair, or copies detuned on purpose). A layer is retuned as a
// whole by the median error of its confident zones, so a deliberate detuning between its
// zones (two copies at -7 and +7 cents, say) keeps its spread while the common offset goes.
// Zones that split the keyboard or the velocity range are layers of their own and are each
// put right. Zones without a confident pitch keep the bank's tuning, and so does a zone or
// layer whose error is beyond kMaxCorrectionCents: that is more likely a detection error
// than a bank so far off.
#include <vector>

#include "sound/bank_tuning.h"

namespace kelvara::sound {

inline constexpr double kMaxCorrectionCents = 50.0;
// Below this confidence (see PitchEstimate) a zone counts as unpitched.
inline constexpr double kMinConfidence = 0.8;

// Sets correction_cents and verdict of every zone of one preset from its error_cents and
// confidence.
void apply_tuning_policy(std::vector<ZoneTuning>& zones);

// The median of some values in cents, as a layer's common offset is taken; NaN for none.
double median_cents(std::vector<double> values);

}  // namespace kelvara::sound
