#pragma once
// Stereo audio to a 32-bit float WAV file, for the commands that render sound.
#include <string>

#include "sound/synth_controller.h"

namespace kelvara::cli {

// Throws UsageError when the file cannot be written.
void write_wav_file(const std::string& path, const StereoBuffer& audio, int sample_rate);
// Appends `more` to the end of `to`.
void append_audio(StereoBuffer& to, const StereoBuffer& more);

}  // namespace kelvara::cli
