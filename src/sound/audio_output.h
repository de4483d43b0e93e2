#pragma once
// Where an engine's sound goes while its graph runs: a FluidSynth audio driver in callback
// mode (JACK, PulseAudio or ALSA), or, when none of them opens, a null output that pulls
// blocks at real-time pace and discards them, so notes still start, sound (silently) and end.
#include <memory>
#include <string>

namespace kelvara::sound {

class SynthEngine;

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // "jack", "pulseaudio", "alsa" or "null".
    virtual std::string backend() const = 0;
};

// The environment variable that names one backend to use instead of trying them in order
// ("jack", "pulseaudio", "alsa" or "null").
inline constexpr const char* kAudioDriverVariable = "KELVARA_AUDIO_DRIVER";

// Starts rendering `engine` (which must outlive the output) to the first backend that opens:
// the one `preferred` names, or JACK, then PulseAudio, then ALSA; the null output otherwise.
// Rendering stops when the output is destroyed.
std::unique_ptr<AudioOutput> open_audio_output(SynthEngine& engine, const std::string& preferred);

// A null output regardless of devices.
std::unique_ptr<AudioOutput> open_null_output(SynthEngine& engine);

}  // namespace kelvara::sound
