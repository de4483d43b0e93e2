#pragma once
// What the header of a WAV or AIFF file says, read by walking its chunks: the sample rate and
// channel count of its format chunk, and the size its sound data chunk announces against the
// bytes that follow. The audio reader uses it for two things libsndfile does not tell: which
// value of a header it refused (a sample rate of 0, no channels), and a file cut short, whose
// announced length libsndfile quietly shortens to what is there. A file cut short (an
// interrupted copy or recording) is better exported again than analysed in part without
// anyone knowing.
#include <cstdint>
#include <optional>

#include "persistence/audio_byte_source.h"

namespace kelvara {

struct WavAiffHeader {
    std::optional<double> sample_rate_hz;  // of the "fmt " or "COMM" chunk
    std::optional<int64_t> channels;
    // The size the "data" or "SSND" chunk announces, and the bytes that follow its header.
    // The announced size is left out when it is left open (0xFFFFFFFF, as streaming writers
    // and RF64 files leave it).
    std::optional<int64_t> data_announced_bytes;
    int64_t data_held_bytes = 0;
    // The walk read kMaxChunksWalked chunk headers without reaching the sound data.
    bool chunk_limit_reached = false;

    bool data_cut_short() const {
        return data_announced_bytes && *data_announced_bytes > data_held_bytes;
    }
};

// At most this many chunk headers are read.
inline constexpr int32_t kMaxChunksWalked = 512;

// The header of a WAV (RIFF, RIFX) or AIFF/AIFC file; nothing for other formats. Fields the
// walk did not reach (a damaged chunk list, no such chunk) stay empty.
std::optional<WavAiffHeader> read_wav_aiff_header(AudioByteSource& source);

}  // namespace kelvara
