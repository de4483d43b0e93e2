// kelvara-cli midi-sources and midi-monitor as a user runs them: without a MIDI system, and
// against the JACK server of the test services with a test source sending.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "jack_test_source.h"

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

}  // namespace
}  // namespace kelvara::midi
