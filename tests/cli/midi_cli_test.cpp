// kelvara-cli midi-sources and midi-monitor as a user runs them: without a MIDI system, and
// against the JACK server of the test services with a test source sending.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "midi/jack_test_source.h"
#include "sound/peak_estimator.h"

namespace kelvara::midi {
namespace {

using ::testing::HasSubstr;
using testing::JackTestSource;

// Runs kelvara-cli with `args`, stdout and stderr together; calls `on_line` for each line
// as it arrives, so a test can act while the command runs. Returns the exit code.
template <typename OnLine>
int run_cli(const std::string& args, OnLine&& on_line) {
    const std::string command = std::string(KELVARA_CLI) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::array<char, 1024> line{};
    while (std::fgets(line.data(), line.size(), pipe) != nullptr) on_line(std::string(line.data()));
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string run_cli_output(const std::string& args, int* exit_code) {
    std::string out;
    *exit_code = run_cli(args, [&](const std::string& line) { out += line; });
    return out;
}

TEST(MidiCli, WithoutAMidiSystemTheListIsEmptyAndTheMonitorRefuses) {
    int code = -1;
    EXPECT_EQ(run_cli_output("midi-sources --midi none", &code), "MIDI system: none\n");
    EXPECT_EQ(code, 0);
    const std::string monitor = run_cli_output("midi-monitor --midi none --seconds 0", &code);
    EXPECT_EQ(code, 2);
    EXPECT_THAT(monitor, HasSubstr("no MIDI input port could be created (MIDI system: none)"));
    run_cli_output("midi-sources --midi pipes", &code);
    EXPECT_EQ(code, 2);
}

TEST(MidiCli, ListsJackSourcesAndMonitorsWhatTheySend) {
    auto source = JackTestSource::open("CliKeys-" + std::to_string(getpid()), {"out"});
    if (!source) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (required != nullptr && std::string(required) == "1") FAIL() << "no JACK server";
        GTEST_SKIP() << "no JACK server running";
    }
    const std::string address = source->full_port_name(0);
    int code = -1;
    const std::string listing = run_cli_output("midi-sources --midi jack", &code);
    EXPECT_EQ(code, 0);
    EXPECT_THAT(listing, HasSubstr("MIDI system: JACK\n"));
    EXPECT_THAT(listing, HasSubstr("\t" + address + "\t"));

    std::string printed;
    code = run_cli("midi-monitor --midi jack --seconds 2 --source " + address,
                   [&](const std::string& line) {
                       printed += line;
                       if (line.rfind("listening", 0) == 0 && source->wait_for_connections(0, 1))
                           source->send(0, {0x91, 60, 100});
                   });
    EXPECT_EQ(code, 0) << printed;
    EXPECT_THAT(printed, HasSubstr("connected: out"));
    EXPECT_THAT(printed, HasSubstr("91 3c 64  note-on key 60 velocity 100 channel 2\n"));
}

// The left channel of a WAV file, or nothing when it cannot be read.
std::vector<float> left_channel_of(const std::string& path, int* sample_rate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) return {};
    std::vector<float> frames(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    std::vector<float> left;
    for (size_t i = 0; i < frames.size(); i += static_cast<size_t>(info.channels))
        left.push_back(frames[i]);
    *sample_rate = info.samplerate;
    return left;
}

TEST(MidiCli, PlaysAChordSentFromAnotherClientIntoAWavFile) {
    auto source = JackTestSource::open("CliPlayer-" + std::to_string(getpid()), {"out"});
    if (!source) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (required != nullptr && std::string(required) == "1") FAIL() << "no JACK server";
        GTEST_SKIP() << "no JACK server running";
    }
    const std::string wav =
        ::testing::TempDir() + "kelvara-midi-play-" + std::to_string(getpid()) + ".wav";
    std::string printed;
    const int code = run_cli(
        "midi-play --midi jack --seconds 2 --chord 60:440,660 --chord 62:300"
        " --source " +
            source->full_port_name(0) + " --wav " + wav,
        [&](const std::string& line) {
            printed += line;
            if (line.rfind("playing", 0) == 0 && source->wait_for_connections(0, 1))
                source->send(0, {0x90, 60, 110});
        });
    ASSERT_EQ(code, 0) << printed;
    EXPECT_THAT(printed, HasSubstr("key 60\n"));
    int rate = 0;
    const std::vector<float> left = left_channel_of(wav, &rate);
    std::remove(wav.c_str());
    ASSERT_EQ(rate, 48000);
    ASSERT_GT(left.size(), size_t(2 * rate));
    // The second second: the chord is held there, the attack is over.
    const std::vector<float> held(left.begin() + rate, left.begin() + 2 * rate);
    const kelvara::testing::Spectrum spectrum(held, rate);
    // Within a few cents: the default bank's piano samples are not pure tones (a wrong key
    // or a semitone off would be 25 Hz and more away).
    EXPECT_NEAR(spectrum.peak_frequency(440.0, 50.0), 440.0, 2.0);
    EXPECT_NEAR(spectrum.peak_frequency(660.0, 50.0), 660.0, 3.0);
    EXPECT_GT(spectrum.amplitude_at(440.0), 10 * spectrum.amplitude_at(300.0));  // key 62 silent
}

// Root mean square over `seconds` from `from_seconds` after the first sample above `onset`.
double rms_after_onset(const std::vector<float>& signal, int rate, double from_seconds,
                       double seconds, float onset = 1e-3f) {
    const auto first = std::find_if(signal.begin(), signal.end(),
                                    [&](float sample) { return std::abs(sample) > onset; });
    const auto begin =
        static_cast<size_t>(first - signal.begin()) + static_cast<size_t>(from_seconds * rate);
    const size_t end = std::min(signal.size(), begin + static_cast<size_t>(seconds * rate));
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i) sum += double(signal[i]) * signal[i];
    return end > begin ? std::sqrt(sum / double(end - begin)) : 0.0;
}

// A saved document plays as its window would: its chord map, at its volume. The channel
// volume (controller 7) goes through the synthesizer's curve, 40 log10(127 / v) dB below
// full: volume 10 sounds 44.1 dB below volume 127.
TEST(MidiCli, PlaysASavedDocumentsChordMapAtItsVolume) {
    auto source = JackTestSource::open("DocPlayer-" + std::to_string(getpid()), {"out"});
    if (!source) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (required != nullptr && std::string(required) == "1") FAIL() << "no JACK server";
        GTEST_SKIP() << "no JACK server running";
    }
    std::map<int, double> rms_at_volume;
    for (const int volume : {10, 127}) {
        const std::string stem = ::testing::TempDir() + "kelvara-play-" + std::to_string(getpid()) +
                                 "-" + std::to_string(volume);
        const std::string document = stem + ".kelvara", wav = stem + ".wav";
        std::string printed;
        ASSERT_EQ(
            run_cli("new " + document + " --chord 64=523.25 --volume " + std::to_string(volume),
                    [&](const std::string& line) { printed += line; }),
            0)
            << printed;
        const int code =
            run_cli("play " + document + " --midi jack --seconds 2 --source " +
                        source->full_port_name(0) + " --wav " + wav,
                    [&](const std::string& line) {
                        printed += line;
                        if (line.rfind("playing", 0) == 0 && source->wait_for_connections(0, 1))
                            source->send(0, {0x90, 64, 110});
                    });
        std::remove(document.c_str());
        ASSERT_EQ(code, 0) << printed;
        EXPECT_THAT(printed, HasSubstr("key 64\n"));
        int rate = 0;
        const std::vector<float> left = left_channel_of(wav, &rate);
        std::remove(wav.c_str());
        ASSERT_GT(left.size(), size_t(2 * rate));
        const std::vector<float> held(left.begin() + rate, left.begin() + 2 * rate);
        const kelvara::testing::Spectrum spectrum(held, rate);
        EXPECT_NEAR(spectrum.peak_frequency(523.25, 50.0), 523.25, 3.0) << volume;
        // Half a second of the held note, the same time after its onset in both recordings
        // (the onset threshold is far below the quiet note's level).
        rms_at_volume[volume] = rms_after_onset(left, rate, 0.05, 0.5, 1e-5f);
    }
    const double difference_db = 20.0 * std::log10(rms_at_volume[127] / rms_at_volume[10]);
    RecordProperty("rms_volume_10", std::to_string(rms_at_volume[10]));
    RecordProperty("rms_volume_127", std::to_string(rms_at_volume[127]));
    EXPECT_NEAR(difference_db, 40.0 * std::log10(127.0 / 10.0), 1.5);
}

}  // namespace
}  // namespace kelvara::midi
