// The ALSA sequencer where it exists, and its clean failure where it does not (machines
// without /dev/snd/seq, such as headless build machines).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "midi/alsa_midi_client.h"
#include "midi/midi_system_selection.h"

namespace kelvara::midi {
namespace {

bool sequencer_device_exists() {
    return access("/dev/snd/seq", F_OK) == 0;
}

// Captures what a call writes to stderr.
template <typename Call>
std::string stderr_of(Call&& call) {
    std::fflush(stderr);
    char path[] = "/tmp/kelvara-stderr-XXXXXX";
    const int capture = mkstemp(path);
    const int saved = dup(STDERR_FILENO);
    dup2(capture, STDERR_FILENO);
    call();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::string text;
    lseek(capture, 0, SEEK_SET);
    char buffer[512];
    for (ssize_t n; (n = read(capture, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    close(capture);
    unlink(path);
    return text;
}

TEST(AlsaSequencer, WithoutTheSequencerOpeningFailsWithAMessageAndPrintsNothing) {
    if (sequencer_device_exists()) GTEST_SKIP() << "this machine has an ALSA sequencer";
    MidiClientOpening opening;
    const std::string printed =
        stderr_of([&] { opening = open_alsa_midi_client(kMidiClientName); });
    EXPECT_EQ(opening.client, nullptr);
    EXPECT_EQ(opening.failure, "the ALSA sequencer cannot be opened: No such file or directory");
    EXPECT_EQ(printed, "");
}

TEST(AlsaSequencer, WhenAskedForButMissingTheDocumentRunsWithoutMidi) {
    if (sequencer_device_exists()) GTEST_SKIP() << "this machine has an ALSA sequencer";
    const MidiClientOpening opening = open_midi_client(kMidiClientName, MidiSystemKind::Alsa);
    ASSERT_NE(opening.client, nullptr);
    EXPECT_EQ(opening.client->system_name(), "none");
    EXPECT_EQ(opening.client->number_of_sources(), 0);
    EXPECT_NE(opening.failure.find("ALSA sequencer cannot be opened"), std::string::npos);
}

// Where the sequencer exists, its client lists sources and takes a port like any other.
TEST(AlsaSequencer, OpensListsAndCreatesThePort) {
    if (!sequencer_device_exists())
        GTEST_SKIP() << "no ALSA sequencer on this machine (/dev/snd/seq is missing)";
    MidiClientOpening opening = open_alsa_midi_client(kMidiClientName);
    ASSERT_NE(opening.client, nullptr) << opening.failure;
    EXPECT_EQ(opening.client->system_name(), "ALSA sequencer");
    const int32_t count = opening.client->number_of_sources();
    for (int32_t i = 0; i < count; ++i) {
        const auto source = opening.client->source(i);
        if (source) {
            EXPECT_FALSE(source->name.empty());
        }
    }
    auto port = opening.client->create_input_port(
        kMidiInputPortName, [](const uint8_t*, size_t, void*) {}, nullptr);
    EXPECT_NE(port, nullptr);
}

TEST(MidiSystemSelection, NamesAndTheEnvironmentChooseTheSystem) {
    EXPECT_EQ(midi_system_kind_from_name("alsa"), MidiSystemKind::Alsa);
    EXPECT_EQ(midi_system_kind_from_name("jack"), MidiSystemKind::Jack);
    EXPECT_EQ(midi_system_kind_from_name("none"), MidiSystemKind::None);
    EXPECT_EQ(midi_system_kind_from_name("JACK"), std::nullopt);

    const MidiClientOpening none = open_midi_client(kMidiClientName, MidiSystemKind::None);
    EXPECT_EQ(none.client->system_name(), "none");
    EXPECT_EQ(none.failure, "");

    std::string problem;
    setenv(kMidiSystemEnvironmentVariable, "pipes", 1);
    EXPECT_EQ(midi_system_from_environment(&problem), std::nullopt);
    EXPECT_EQ(problem, "KELVARA_MIDI=pipes is not one of alsa, jack, none; ignored");
    setenv(kMidiSystemEnvironmentVariable, "none", 1);
    EXPECT_EQ(midi_system_from_environment(&problem), MidiSystemKind::None);
    unsetenv(kMidiSystemEnvironmentVariable);
    EXPECT_EQ(midi_system_from_environment(&problem), std::nullopt);
}

}  // namespace
}  // namespace kelvara::midi
