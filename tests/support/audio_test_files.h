#pragma once
// Audio files for the tests of the recording reader and its users: real files written through
// libsndfile, and WAV bytes put together by hand where a header must say something libsndfile
// would never write.
#include <sndfile.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "engine/audio_channels.h"

namespace kelvara::test {

// Writes `audio` in `format` (SF_FORMAT_WAV | SF_FORMAT_PCM_16, ...); false on failure.
inline bool write_audio_file(const std::filesystem::path& path, const AudioChannels& audio,
                             int format) {
    SF_INFO info{};
    info.samplerate = audio.sample_rate_hz;
    info.channels = static_cast<int>(audio.channels.size());
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS) {
        double quality = 0.9;  // the partials must survive the lossy coding
        sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality));
    }
    const size_t channels = audio.channels.size();
    std::vector<float> interleaved(static_cast<size_t>(audio.frame_count()) * channels);
    for (size_t c = 0; c < channels; ++c)
        for (size_t n = 0; n < audio.channels[c].size(); ++n)
            interleaved[n * channels + c] = audio.channels[c][n];
    const bool written =
        sf_writef_float(file, interleaved.data(), audio.frame_count()) == audio.frame_count();
    return sf_close(file) == 0 && written;
}

inline std::vector<uint8_t> read_bytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void write_bytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// A canonical WAV file: a "fmt " chunk, then a "data" chunk holding `data`.
struct WavHeader {
    uint16_t format_tag = 1;  // 1: integer PCM, 3: IEEE float
    uint16_t channels = 1;
    uint32_t sample_rate_hz = 48000;
    uint16_t bits = 16;
    std::optional<uint32_t> announced_data_bytes;  // the data size the header gives, if not true
};

inline std::vector<uint8_t> wav_bytes(const WavHeader& h, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> b;
    const auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const auto u16 = [&](uint16_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    };
    const auto id = [&](const char* s) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(s[i]));
    };
    const uint32_t data_bytes = h.announced_data_bytes.value_or(static_cast<uint32_t>(data.size()));
    const auto block = static_cast<uint16_t>(h.channels * (h.bits / 8));
    id("RIFF");
    u32(36 + data_bytes);
    id("WAVE");
    id("fmt ");
    u32(16);
    u16(h.format_tag);
    u16(h.channels);
    u32(h.sample_rate_hz);
    u32(h.sample_rate_hz * block);
    u16(block);
    u16(h.bits);
    id("data");
    u32(data_bytes);
    for (uint8_t byte : data) b.push_back(byte);
    return b;
}

// Little-endian 32-bit floats.
inline std::vector<uint8_t> float_bytes(const std::vector<float>& samples) {
    std::vector<uint8_t> bytes(samples.size() * 4);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

}  // namespace kelvara::test
