#pragma once
// The synthesizer of the commands that render to a file: it never opens an audio device.
#include <memory>
#include <string>

#include "sound/synth_controller.h"

namespace kelvara::cli {

// The longest render a command makes, in seconds.
inline constexpr double kMaxRenderSeconds = 600.0;

// With the default bank, or `bank` when given (a bank that does not load throws
// DocumentFileFailure); pitch-true unless asked for the bank's own tuning.
std::unique_ptr<SynthController> offline_controller(const std::string& bank,
                                                    bool pitch_true = true);

}  // namespace kelvara::cli
