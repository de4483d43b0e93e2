#include "persistence/audio_file_reader.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/recording_analysis.h"
#include "engine/recording_text.h"
#include "persistence/audio_byte_source.h"
#include "persistence/wav_aiff_header.h"

namespace kelvara {

namespace {

constexpr sf_count_t kFramesPerRead = 8192;

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

struct OpenedAudio {
    SndfileHandle file;
    SF_INFO info{};
    AudioFileInfo summary;
};

// Every refusal has the same heading; the reason names the file and says what to do.
Error refuse(std::string reason) {
    Error error;
    error.description = "The recording could not be read.";
    error.reason = std::move(reason);
    return error;
}

std::string in_quotes(std::string_view name) {
    return "\"" + std::string(name) + "\"";
}

const char* const kFormatsRead = "Kelvara analyses WAV, FLAC, Ogg and AIFF files";

// What the first bytes say the file is, before libsndfile is asked: it recognises many more
// formats than these, and there is no reason to let arbitrary bytes reach its readers for them.
std::optional<Error> check_signature(AudioByteSource& source, const std::string& name) {
    if (source.size() == 0)
        return refuse(in_quotes(name) + " is empty (0 bytes): there is no sound in it to analyse.");
    std::array<uint8_t, 12> head{};
    const int64_t got = source.read_at(0, head.data(), 12);
    const auto is = [&](size_t at, const char* id) {
        return got >= static_cast<int64_t>(at + std::strlen(id)) &&
               std::memcmp(&head[at], id, std::strlen(id)) == 0;
    };
    if (is(0, "RIFF") || is(0, "RIFX") || is(0, "RF64") || is(0, "FORM") || is(0, "fLaC") ||
        is(0, "OggS") || is(0, "ID3"))  // ID3: tags before FLAC (or MP3) data
        return std::nullopt;
    std::string kind;
    if (is(4, "ftyp")) kind = "an MP4/M4A file";
    if (got >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0) kind = "an MP3 file";
    if (!kind.empty())
        return refuse(in_quotes(name) + " looks like " + kind + "; " + kFormatsRead +
                      ": convert it to one of them first.");
    return refuse(in_quotes(name) + " is not a sound file Kelvara can read (" + kFormatsRead +
                  ").");
}

std::optional<std::string> format_name(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_RF64: return "WAV";
        case SF_FORMAT_AIFF: return "AIFF";
        case SF_FORMAT_FLAC: return "FLAC";
        case SF_FORMAT_OGG: return "Ogg";
        default: return std::nullopt;
    }
}

// Bytes per frame of an uncompressed encoding, 0 for the others.
int64_t bytes_per_frame(const SF_INFO& info) {
    int64_t bytes = 0;
    switch (info.format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW: bytes = 1; break;
        case SF_FORMAT_PCM_16: bytes = 2; break;
        case SF_FORMAT_PCM_24: bytes = 3; break;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT: bytes = 4; break;
        case SF_FORMAT_DOUBLE: bytes = 8; break;
        default: break;
    }
    return bytes * info.channels;
}

Error open_error(const std::string& name, const AudioByteSource& source) {
    const int code = sf_error(nullptr);
    if (code == SF_ERR_SYSTEM && source.error_text())
        return refuse("Kelvara cannot read " + in_quotes(name) + ": " + *source.error_text() + ".");
    if (code == SF_ERR_UNSUPPORTED_ENCODING)
        return refuse(in_quotes(name) +
                      " stores its sound in an encoding Kelvara cannot read; "
                      "export it as 16- or 24-bit PCM or as FLAC.");
    if (code == SF_ERR_UNRECOGNISED_FORMAT)
        return refuse(in_quotes(name) + " is not a sound file Kelvara can read (" + kFormatsRead +
                      ").");
    return refuse(in_quotes(name) + " looks like a sound file, but its header is damaged (" +
                  sf_error_number(code) + "); export it again.");
}

// Whether the last frame the header announces can be read: a compressed file cut short
// still announces its full length, and only reading to the end shows it.
bool last_frame_readable(SNDFILE* file, const SF_INFO& info) {
    std::vector<float> frame(static_cast<size_t>(info.channels));
    return sf_seek(file, info.frames - 1, SEEK_SET) == info.frames - 1 &&
           sf_readf_float(file, frame.data(), 1) == 1;
}

std::optional<Error> check_rate_and_channels(double rate, int64_t channels,
                                             const std::string& name) {
    if (!(rate >= kMinSampleRateHz && rate <= kMaxSampleRateHz))
        return refuse(in_quotes(name) + " gives its sample rate as " + number_text(rate, 0) +
                      " Hz; recordings are made at " + std::to_string(kMinSampleRateHz) + " to " +
                      std::to_string(kMaxSampleRateHz) +
                      " Hz, so its header is damaged. Export it again.");
    if (channels < 1 || channels > kMaxChannels)
        return refuse(in_quotes(name) + " gives " + std::to_string(channels) +
                      " channels; Kelvara analyses recordings of 1 to " +
                      std::to_string(kMaxChannels) + " channels.");
    return std::nullopt;
}

Error cut_short(const std::string& name, const std::string& announced, const std::string& held) {
    return refuse(in_quotes(name) + " is cut short: its header announces " + announced +
                  " of sound, but the file holds " + held +
                  ". Copy or export the recording again.");
}

Result<OpenedAudio> open_checked(AudioByteSource& source, const std::string& name) {
    if (auto refused = check_signature(source, name)) return *std::move(refused);
    // The values of a WAV or AIFF header are checked here first, because libsndfile refuses
    // some of them (a rate of 0, no channels) without saying which.
    const std::optional<WavAiffHeader> header = read_wav_aiff_header(source);
    if (header && header->sample_rate_hz && header->channels)
        if (auto refused =
                check_rate_and_channels(*header->sample_rate_hz, *header->channels, name))
            return *std::move(refused);

    OpenedAudio opened;
    SF_VIRTUAL_IO io = audio_byte_source_io();
    source.position = 0;
    opened.file.reset(sf_open_virtual(&io, SFM_READ, &opened.info, &source));
    if (!opened.file) {
        // libsndfile gives up on a long chunk list too, and then only says that it found no
        // sound data: the limit reached is what the person can act on.
        if (header && header->chunk_limit_reached)
            return refuse(in_quotes(name) + " holds more than " + std::to_string(kMaxChunksWalked) +
                          " chunks before its sound data, more than a recording needs, so "
                          "Kelvara stops looking there; export it again without the extra "
                          "chunks.");
        return open_error(name, source);
    }
    const SF_INFO& info = opened.info;

    const std::optional<std::string> format = format_name(info.format);
    if (!format) {
        SF_FORMAT_INFO format_info{};
        format_info.format = info.format & SF_FORMAT_TYPEMASK;
        sf_command(nullptr, SFC_GET_FORMAT_INFO, &format_info, sizeof(format_info));
        const std::string kind = format_info.name ? format_info.name : "another format";
        return refuse(in_quotes(name) + " is in " + kind + "; " + kFormatsRead +
                      ": convert it to one of them first.");
    }
    if (auto refused = check_rate_and_channels(info.samplerate, info.channels, name))
        return *std::move(refused);
    const int32_t rate = info.samplerate;

    // A file cut short: an uncompressed one shows it in its header; a compressed one still
    // announces its full length, and only reading its last frame shows it.
    const int64_t per_frame = bytes_per_frame(info);
    if (header && header->data_cut_short()) {
        const int64_t announced = *header->data_announced_bytes;
        const int64_t held = header->data_held_bytes;
        if (per_frame > 0)
            return cut_short(name, seconds_text(announced / per_frame, rate),
                             "only " + seconds_text(held / per_frame, rate));
        return cut_short(name, std::to_string(announced) + " bytes",
                         "only " + std::to_string(held) + " bytes");
    }
    if (per_frame == 0 && info.frames > 0 && !last_frame_readable(opened.file.get(), info))
        return cut_short(name, seconds_text(info.frames, rate), "less");

    if (info.frames < 0)
        return refuse(in_quotes(name) + " gives no length for its sound; export it again.");
    if (info.frames == 0) return refuse(in_quotes(name) + " holds no sound (its data is empty).");
    if (info.frames < std::llround(kMinStretchSeconds * rate))
        return refuse(in_quotes(name) + " holds only " + std::to_string(info.frames) +
                      (info.frames == 1 ? " sample frame (" : " sample frames (") +
                      seconds_text(info.frames, rate) + "); partials need at least " +
                      number_text(kMinStretchSeconds) + " s of sound.");

    opened.summary.format_name = *format;
    opened.summary.sample_rate_hz = rate;
    opened.summary.channels = info.channels;
    opened.summary.frames = info.frames;
    return opened;
}

// The frames of the stretch asked for, or why there are none.
Result<FrameRange> stretch_frames(const AudioFileInfo& file, const std::string& name,
                                  const AudioStretchRequest& request) {
    const int32_t rate = file.sample_rate_hz;
    const double start = request.start_seconds;
    const double length = request.length_seconds;
    const std::string lasts = in_quotes(name) + " lasts " + seconds_text(file.frames, rate) + ".";
    if (!std::isfinite(start) || start < 0.0 || start >= file.duration_seconds())
        return refuse("The stretch to analyse starts at " + number_text(start) + " s, but " +
                      lasts);
    if (!std::isfinite(length) || length <= 0.0)
        return refuse("The stretch to analyse must last more than 0 s (not " + number_text(length) +
                      " s).");
    FrameRange frames;
    frames.start = std::min(file.frames - 1, static_cast<int64_t>(std::floor(start * rate)));
    frames.count = std::min<int64_t>(file.frames - frames.start,
                                     std::llround(std::min(length, kMaxStretchSeconds) * rate));
    if (frames.count < std::llround(kMinStretchSeconds * rate))
        return refuse("The stretch from " + seconds_text(frames.start, rate) + " to " +
                      seconds_text(frames.end(), rate) + " is too short: partials need at least " +
                      number_text(kMinStretchSeconds) + " s of sound. " + lasts);
    return frames;
}

Result<AudioStretch> read_stretch(AudioByteSource& source, const std::string& name,
                                  const AudioStretchRequest& request) {
    auto opened = open_checked(source, name);
    if (!opened) return opened.error();
    SNDFILE* file = opened.value().file.get();
    const AudioFileInfo& summary = opened.value().summary;
    const int32_t rate = summary.sample_rate_hz;
    const int32_t channels = summary.channels;

    if (request.channel && (*request.channel < 0 || *request.channel >= channels))
        return refuse(in_quotes(name) + " has " + std::to_string(channels) +
                      (channels == 1 ? " channel" : " channels") + "; there is no channel " +
                      std::to_string(int64_t{*request.channel} + 1) + ".");
    auto range = stretch_frames(summary, name, request);
    if (!range) return range.error();
    const FrameRange frames = range.value();
    const int32_t kept = request.channel ? 1 : channels;
    if (frames.count * kept > kMaxSamplesRead)
        return refuse("The stretch of " + seconds_text(frames.count, rate) + " from " +
                      in_quotes(name) + " holds too many samples to analyse at once (" +
                      std::to_string(kept) + " channels at " + std::to_string(rate) +
                      " Hz); choose a shorter stretch or a single channel.");

    AudioStretch stretch;
    stretch.file = summary;
    stretch.start_frame = frames.start;
    stretch.audio.sample_rate_hz = rate;
    stretch.audio.channels.assign(static_cast<size_t>(kept), {});
    for (auto& channel : stretch.audio.channels) channel.reserve(static_cast<size_t>(frames.count));

    const auto unreadable_from = [&](int64_t readable_end) {
        return refuse(in_quotes(name) + " cannot be read beyond " +
                      seconds_text(readable_end, rate) + ", although its header announces " +
                      seconds_text(summary.frames, rate) +
                      ": the file is cut short or damaged. Copy or export it again.");
    };
    if (sf_seek(file, frames.start, SEEK_SET) != frames.start) return unreadable_from(frames.start);
    std::vector<float> block(static_cast<size_t>(kFramesPerRead * channels));
    for (int64_t done = 0; done < frames.count;) {
        const sf_count_t wanted = std::min<sf_count_t>(kFramesPerRead, frames.count - done);
        const sf_count_t got = sf_readf_float(file, block.data(), wanted);
        if (got <= 0) return unreadable_from(frames.start + done);
        for (sf_count_t f = 0; f < got; ++f) {
            for (int32_t c = 0; c < kept; ++c) {
                const int32_t from = request.channel ? *request.channel : c;
                const float sample = block[static_cast<size_t>(f * channels + from)];
                if (!std::isfinite(sample))
                    return refuse(in_quotes(name) + " holds a sample that is " +
                                  (std::isnan(sample) ? "not a number" : "infinite") +
                                  " (channel " + std::to_string(from + 1) + ", at " +
                                  seconds_text(frames.start + done + f, rate) +
                                  "): the file is damaged. Export it again.");
                stretch.audio.channels[static_cast<size_t>(c)].push_back(sample);
            }
        }
        done += got;
    }
    return stretch;
}

}  // namespace

Result<AudioFileInfo> read_audio_file_info(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    std::string why;
    const auto source = FileByteSource::open(path, why);
    if (!source) return refuse("Kelvara cannot open " + in_quotes(name) + ": " + why + ".");
    auto opened = open_checked(*source, name);
    if (!opened) return opened.error();
    return opened.value().summary;
}

Result<AudioStretch> read_audio_stretch(const std::filesystem::path& path,
                                        const AudioStretchRequest& request) {
    const std::string name = path.filename().string();
    std::string why;
    const auto source = FileByteSource::open(path, why);
    if (!source) return refuse("Kelvara cannot open " + in_quotes(name) + ": " + why + ".");
    return read_stretch(*source, name, request);
}

Result<AudioStretch> read_audio_stretch(std::span<const uint8_t> bytes, std::string_view name,
                                        const AudioStretchRequest& request) {
    MemoryByteSource source(bytes);
    return read_stretch(source, std::string(name), request);
}

}  // namespace kelvara
