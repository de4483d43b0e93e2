#pragma once
// Stereo audio to a 32-bit float WAV file, for the commands that render sound.
#include <string>

#include "sound/synth_controller.h"

namespace kelvara::cli {

// Saved atomically (persistence/atomic_file.h). Throws DocumentFileFailure (exit code 1) when
// the file cannot be written: a missing folder, a full disk, a target that is not a regular file.
void write_wav_file(const std::string& path, const StereoBuffer& audio, int sample_rate);
// Refuses (as write_wav_file would) a target that cannot be saved over, before a render or a
// recording starts rather than after it.
void check_wav_target(const std::string& path);
// Appends `more` to the end of `to`.
void append_audio(StereoBuffer& to, const StereoBuffer& more);

}  // namespace kelvara::cli
