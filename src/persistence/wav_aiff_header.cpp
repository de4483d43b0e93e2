#include "persistence/wav_aiff_header.h"

#include <array>
#include <cmath>
#include <cstring>

namespace kelvara {

namespace {

uint32_t read_u32(const uint8_t* bytes, bool big_endian) {
    if (big_endian)
        return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 |
               uint32_t(bytes[3]);
    return uint32_t(bytes[3]) << 24 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[1]) << 8 |
           uint32_t(bytes[0]);
}

uint16_t read_u16(const uint8_t* bytes, bool big_endian) {
    return big_endian ? uint16_t(bytes[0] << 8 | bytes[1]) : uint16_t(bytes[1] << 8 | bytes[0]);
}

// AIFF gives its sample rate as an 80-bit extended float: sign and 15-bit exponent, then a
// 64-bit mantissa with an explicit leading bit.
double read_extended(const uint8_t* bytes) {
    const int exponent = (bytes[0] & 0x7F) << 8 | bytes[1];
    uint64_t mantissa = 0;
    for (int i = 2; i < 10; ++i) mantissa = mantissa << 8 | bytes[i];
    const double value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    return (bytes[0] & 0x80) ? -value : value;
}

}  // namespace

std::optional<WavAiffHeader> read_wav_aiff_header(AudioByteSource& source) {
    std::array<uint8_t, 12> head{};
    if (source.read_at(0, head.data(), 12) != 12) return std::nullopt;
    const auto is = [&](size_t at, const char* id) { return std::memcmp(&head[at], id, 4) == 0; };
    bool big_endian = false;
    bool aiff = false;
    if ((is(0, "RIFF") || is(0, "RIFX")) && is(8, "WAVE")) {
        big_endian = is(0, "RIFX");
    } else if (is(0, "FORM") && (is(8, "AIFF") || is(8, "AIFC"))) {
        big_endian = true;
        aiff = true;
    } else {
        return std::nullopt;
    }
    const char* const format_id = aiff ? "COMM" : "fmt ";
    const char* const data_id = aiff ? "SSND" : "data";

    WavAiffHeader header;
    const int64_t size = source.size();
    int64_t at = 12;
    int32_t walked = 0;
    for (; walked < kMaxChunksWalked && at + 8 <= size; ++walked) {
        std::array<uint8_t, 8> chunk{};
        if (source.read_at(at, chunk.data(), 8) != 8) break;
        const int64_t length = read_u32(&chunk[4], big_endian);
        if (std::memcmp(chunk.data(), format_id, 4) == 0) {
            // WAV: format tag, channels, rate; AIFF: channels, frames, bits, rate.
            std::array<uint8_t, 18> fields{};
            const int64_t got = source.read_at(at + 8, fields.data(), 18);
            if (!aiff && got >= 8) {
                header.channels = read_u16(&fields[2], big_endian);
                header.sample_rate_hz = read_u32(&fields[4], big_endian);
            } else if (aiff && got >= 18) {
                header.channels = read_u16(&fields[0], true);
                header.sample_rate_hz = read_extended(&fields[8]);
            }
        } else if (std::memcmp(chunk.data(), data_id, 4) == 0) {
            header.data_held_bytes = size - (at + 8);
            if (length != 0xFFFFFFFF) header.data_announced_bytes = length;
            break;
        }
        at += 8 + length + (length & 1);  // chunks are padded to an even length
    }
    header.chunk_limit_reached = walked == kMaxChunksWalked && at + 8 <= size;
    return header;
}

}  // namespace kelvara
