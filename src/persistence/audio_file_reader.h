#pragma once
// Reading a recording to measure a timbre from: WAV, FLAC, Ogg (Vorbis, Opus) and AIFF files
// through libsndfile. Only the stretch asked for is decoded (at most kMaxStretchSeconds), as
// 32-bit float samples with full scale at ±1.0, one vector per channel.
//
// The channels are kept apart rather than mixed to mono: the analysis averages their power
// spectra, because summing the samples of two microphones a few centimetres apart cancels
// the partials that reach them out of phase (a comb filter) and would misstate their
// amplitudes by many decibels. One channel alone can be asked for instead.
//
// A file that cannot be analysed is refused with an Error ("The recording could not be
// read.") whose reason names the file and says what to do: not audio, empty, a header announcing
// more sound than the file holds, samples that are not numbers, absurd sample rates or channel
// counts, too short a recording. Nothing is kept from a refused file.
//
// Pure functions (they read the file and return values); any thread. libsndfile keeps the
// reason of a failed open in one place for the whole process, so when two threads fail to
// open a file at the same moment, one may be told the other's reason.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/error.h"
#include "engine/audio_channels.h"

namespace kelvara {

inline constexpr double kMaxStretchSeconds = 60.0;
// Sample rates of real recordings lie well inside these limits.
inline constexpr int32_t kMinSampleRateHz = 1000;
inline constexpr int32_t kMaxSampleRateHz = 768000;
inline constexpr int32_t kMaxChannels = 16;
// At most this many samples (all channels together: 128 MB of floats) are read at once; one
// minute of 48 kHz stereo is 5.8 million.
inline constexpr int64_t kMaxSamplesRead = int64_t{32} << 20;

struct AudioFileInfo {
    std::string format_name;  // "WAV", "AIFF", "FLAC" or "Ogg"
    int32_t sample_rate_hz = 0;
    int32_t channels = 0;
    int64_t frames = 0;  // sample frames in the file

    double duration_seconds() const {
        return sample_rate_hz > 0 ? static_cast<double>(frames) / sample_rate_hz : 0.0;
    }
};

struct AudioStretchRequest {
    double start_seconds = 0.0;
    // Shortened to what the file holds after the start, and to kMaxStretchSeconds.
    double length_seconds = kMaxStretchSeconds;
    // Only this channel (0 is the first); every channel when empty.
    std::optional<int32_t> channel;
};

struct AudioStretch {
    AudioFileInfo file;
    int64_t start_frame = 0;  // the file's frame that audio's first frame is
    AudioChannels audio;
};

// The file's format, rate, channels and length, checked as read_audio_stretch checks them.
Result<AudioFileInfo> read_audio_file_info(const std::filesystem::path& path);

// The stretch of the file at `path` that `request` asks for.
Result<AudioStretch> read_audio_stretch(const std::filesystem::path& path,
                                        const AudioStretchRequest& request);

// The same from a file's whole content in memory; `name` stands for the file in messages.
Result<AudioStretch> read_audio_stretch(std::span<const uint8_t> bytes, std::string_view name,
                                        const AudioStretchRequest& request);

}  // namespace kelvara
