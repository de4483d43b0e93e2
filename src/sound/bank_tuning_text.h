#pragma once
// Bank tunings as text, the form the bank-tuning cache keeps them in. One line per preset and
// per zone, numbers written so that they read back exactly, behind a header naming the format
// and the estimator that measured them:
//
//   kelvara-bank-tuning 2
//   preset 0 73 10 Flute TB
//   zone 3 69 71 0 127 69 100 15927 69 440 443.16 0.994 12.41 -12.41 443.2 443.16 0 corrected
//   ...
//   end
//
// Zone fields: voice, key range, velocity range, root key, cents per key, sample frames,
// reference key, declared Hz, measured Hz, confidence, error cents, correction cents, attack Hz,
// loop Hz, retuned loop frames, verdict.
#include <optional>
#include <string>
#include <string_view>

#include "sound/bank_tuning.h"

namespace kelvara::sound {

// Changes whenever the measurement changes, so tunings measured differently are not reused.
inline constexpr int kBankTuningFormat = 3;

std::string bank_tuning_to_text(const BankTuning& tuning);

// Nothing for text that is not exactly such a tuning of the current format: a wrong header,
// a malformed or out-of-range field, zones missing or too many, no end line.
std::optional<BankTuning> bank_tuning_from_text(std::string_view text);

}  // namespace kelvara::sound
