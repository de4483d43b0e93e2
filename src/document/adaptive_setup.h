#pragma once
// The adaptive tuning a document's keys play in: its timbre's partials and its roughness
// model, so that the chords are tuned to the curve the document draws. The window's Adaptive
// toggle and `kelvara-cli play --adaptive` both build it here.
#include <chrono>

#include "document/adaptive_note_player.h"

namespace kelvara {

class Document;

AdaptiveTuningSetup adaptive_tuning_setup(const Document& document,
                                          const AdaptationSettings& settings,
                                          std::chrono::milliseconds glide);

}  // namespace kelvara
