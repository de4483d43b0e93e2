// The recording reader on real files written through libsndfile (WAV and Ogg here, FLAC in
// the stretch test and in kelvara-cli's timbre-from-audio rows), from a file through to the
// measured partials; only the stretch asked for is read; and every kind of bad file is
// refused with a message, the same from a file and from memory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/recording_analysis.h"
#include "engine/steady_stretch.h"
#include "engine/synthetic_recording.h"
#include "persistence/audio_file_reader.h"
#include "support/audio_test_files.h"

namespace kelvara {
namespace {

using ::testing::HasSubstr;

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelvara-audio-XXXXXX");
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// A struck bar at 196 Hz: five inharmonic partials from 0 to -40 dB decaying together, white
// noise 40 dB below, the second channel 0.6 ms late.
SyntheticRecording struck_bar(int32_t rate, int32_t channels) {
    SyntheticRecording r;
    r.sample_rate_hz = rate;
    r.channels = channels;
    r.seconds = 3.0;
    r.decay_seconds = 1.5;
    r.noise_below_rms_db = 40.0;
    r.channel_delay_seconds = 0.0006;
    const double ratios[] = {1.0, 2.7565, 5.4039, 8.9330, 13.3443};
    const double levels[] = {0.4, 0.2, 0.08, 0.03, 0.004};
    for (size_t i = 0; i < 5; ++i) r.partials.push_back({196.0 * ratios[i], levels[i], 0.7 * i});
    return r;
}

TEST(AudioFileReader, EveryFormatGivesTheKnownPartials) {
    const struct {
        const char* name;
        int format;
        int32_t rate, channels;
        const char* format_name;
        double threshold_db;  // a lossy codec adds noise of its own some 55 dB down
    } cases[] = {
        {"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, "WAV", 60},
        {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 2, "Ogg", 45},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        const SyntheticRecording recording = struck_bar(c.rate, c.channels);
        const auto path = folder / (std::string("bar.") + c.name);
        ASSERT_TRUE(test::write_audio_file(path, synthesize_recording(recording), c.format));
        const auto read = read_audio_stretch(path, {});
        ASSERT_TRUE(read) << c.name << ": " << read.error().reason;
        EXPECT_EQ(read->file.format_name, c.format_name);
        EXPECT_EQ(read->audio.channels.size(), static_cast<size_t>(c.channels));
        EXPECT_EQ(read->audio.frame_count(), 3 * c.rate) << c.name;

        const auto proposal = propose_steady_stretch(read->audio);
        ASSERT_TRUE(proposal) << proposal.error().description;
        AnalysisSettings settings;
        settings.picking.threshold_db = c.threshold_db;
        const auto analysis = analyse_stretch(read->audio, proposal->stretch, settings);
        ASSERT_TRUE(analysis) << analysis.error().description;
        const auto errors =
            compare_with_known(analysis->picked, recording.partials, 0, c.threshold_db);
        EXPECT_EQ(errors.missing + errors.extra, 0) << c.name << "\n" << errors.report;
        EXPECT_LE(errors.max_ratio_error, 0.001) << c.name << "\n" << errors.report;
        EXPECT_LE(errors.max_amplitude_error_db, 1.0) << c.name << "\n" << errors.report;
    }
}

// A float WAV whose sample n is (n mod 1000) / 1000 on channel 0 and its negative on
// channel 1, so that every sample read tells where it came from.
AudioChannels counting(int32_t rate, double seconds) {
    AudioChannels audio;
    audio.sample_rate_hz = rate;
    audio.channels.resize(2);
    for (int64_t n = 0; n < std::llround(seconds * rate); ++n) {
        audio.channels[0].push_back(static_cast<float>(n % 1000) / 1000.0f);
        audio.channels[1].push_back(-audio.channels[0].back());
    }
    return audio;
}

TEST(AudioFileReader, ReadsOnlyTheStretchAndChannelAskedForAndAtMostAMinute) {
    TempFolder folder;
    const auto path = folder / "counting.flac";
    ASSERT_TRUE(
        test::write_audio_file(path, counting(1000, 61.0), SF_FORMAT_FLAC | SF_FORMAT_PCM_24));
    const struct {
        AudioStretchRequest request;
        int64_t start, count;
        size_t channels;
        float sign;
    } cases[] = {
        {{1.0, 0.5, 1}, 1000, 500, 1, -1.0f},
        {{60.5, 10.0, 0}, 60500, 500, 1, 1.0f},             // shortened to the end of the file
        {{0.5, 1e300, std::nullopt}, 500, 60000, 2, 1.0f},  // and to a minute
    };
    for (const auto& c : cases) {
        const auto stretch = read_audio_stretch(path, c.request);
        ASSERT_TRUE(stretch) << stretch.error().reason;
        EXPECT_EQ(stretch->start_frame, c.start);
        const AudioChannels& audio = stretch->audio;
        ASSERT_EQ(audio.channels.size(), c.channels);
        ASSERT_EQ(audio.frame_count(), c.count);
        for (int64_t n : {int64_t{0}, c.count - 1})
            EXPECT_NEAR(audio.channels[0][n], c.sign * ((c.start + n) % 1000) / 1000.0f, 1e-6);
    }
}

// Bytes of a real half-second file of `format`, for the cases that damage one.
std::vector<uint8_t> file_bytes(int format) {
    SyntheticRecording r;
    r.sample_rate_hz = 8000;
    r.seconds = 0.5;
    r.partials = {{440.0, 0.5, 0.0}};
    TempFolder folder;
    if (!test::write_audio_file(folder / "sound", synthesize_recording(r), format)) return {};
    return test::read_bytes(folder / "sound");
}

std::vector<uint8_t> float_wav_with(size_t at, float odd_one) {
    std::vector<float> samples(1000);
    for (size_t n = 0; n < samples.size(); ++n) samples[n] = 0.5f * std::sin(0.3f * n);
    samples[at] = odd_one;
    return test::wav_bytes({3, 1, 1000, 32, std::nullopt}, test::float_bytes(samples));
}

std::vector<uint8_t> pcm_wav(uint32_t rate, uint16_t channels, size_t frames) {
    return test::wav_bytes({1, channels, rate, 16, std::nullopt},
                           std::vector<uint8_t>(frames * channels * 2, 0x10));
}

// The WAV file with `count` empty chunks before its sound data, as a tool that pads files
// might leave it.
std::vector<uint8_t> with_empty_chunks_before_data(std::vector<uint8_t> wav, size_t count) {
    const uint8_t data_id[] = {'d', 'a', 't', 'a'};
    const auto at = std::search(wav.begin(), wav.end(), std::begin(data_id), std::end(data_id));
    std::vector<uint8_t> junk;
    for (size_t i = 0; i < count; ++i) junk.insert(junk.end(), {'j', 'u', 'n', 'k', 0, 0, 0, 0});
    wav.insert(at, junk.begin(), junk.end());
    const auto riff_size = uint32_t(wav.size() - 8);
    for (int i = 0; i < 4; ++i) wav[4 + size_t(i)] = uint8_t(riff_size >> (8 * i));
    return wav;
}

TEST(AudioFileReader, RefusesBadFilesWithTheSameMessageFromFileAndMemory) {
    const std::string text = "Hello, these are not the sounds you are looking for.";
    const std::vector<uint8_t> wav = file_bytes(SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message_part;
        AudioStretchRequest request = {};
    } cases[] = {
        {"text", {text.begin(), text.end()}, "is not a sound file Kelvara can read"},
        {"mp3", {0xFF, 0xFB, 0x90, 0x64, 0, 0, 0, 0, 0, 0, 0, 0}, "looks like an MP3 file"},
        {"empty", {}, "is empty (0 bytes)"},
        {"no_frames", pcm_wav(48000, 1, 0), "holds no sound"},
        {"one_sample", pcm_wav(48000, 1, 1),
         "holds only 1 sample frame (0.000021 s); partials need at least 0.05 s"},
        {"header_claims_more",
         test::wav_bytes({1, 1, 48000, 16, 4000}, std::vector<uint8_t>(1000, 1)),
         "is cut short: its header announces 0.0417 s of sound, but the file holds only 0.0104 s"},
        {"nan_in_float_wav", float_wav_with(250, NAN),
         "holds a sample that is not a number (channel 1, at 0.25 s)"},
        {"junk_before_data", with_empty_chunks_before_data(wav, 100000),
         "holds more than 512 chunks before its sound data"},
        {"rate_zero", pcm_wav(0, 1, 1000), "gives its sample rate as 0 Hz"},
        {"no_channels", pcm_wav(48000, 0, 1000), "gives 0 channels"},
        {"too_short_a_stretch", wav, "is too short", {0.47, 1.0, std::nullopt}},
        {"no_such_channel", wav, "has 1 channel; there is no channel 2", {0.0, 1.0, 1}},
    };
    TempFolder folder;
    const auto path = folder / "sound.wav";
    for (const auto& c : cases) {
        test::write_bytes(path, c.bytes);
        const auto from_file = read_audio_stretch(path, c.request);
        ASSERT_FALSE(from_file) << c.name;
        EXPECT_EQ(from_file.error().description, "The recording could not be read.");
        EXPECT_THAT(from_file.error().reason, HasSubstr(c.message_part)) << c.name;
        const auto from_memory = read_audio_stretch(c.bytes, "sound.wav", c.request);
        ASSERT_FALSE(from_memory) << c.name;
        EXPECT_EQ(from_memory.error().reason, from_file.error().reason) << c.name;
    }
}

}  // namespace
}  // namespace kelvara
