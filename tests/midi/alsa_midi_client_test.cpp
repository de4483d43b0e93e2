// Choosing the MIDI system, and the ALSA sequencer where it exists or its clean failure
// where it does not (machines without /dev/snd/seq, such as headless build machines).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "midi/alsa_midi_client.h"
#include "midi/midi_system_selection.h"

namespace kelvara::midi {
namespace {

bool sequencer_device_exists() {
    return access("/dev/snd/seq", F_OK) == 0;
}

TEST(AlsaSequencer, WithoutTheSequencerTheDocumentRunsWithoutMidiAndSaysWhy) {
    if (sequencer_device_exists()) GTEST_SKIP() << "this machine has an ALSA sequencer";
    const MidiClientOpening alsa = open_alsa_midi_client(kMidiClientName);
    EXPECT_EQ(alsa.client, nullptr);
    EXPECT_EQ(alsa.failure, "the ALSA sequencer cannot be opened: No such file or directory");
    const MidiClientOpening opening = open_midi_client(kMidiClientName, MidiSystemKind::Alsa);
    ASSERT_NE(opening.client, nullptr);
    EXPECT_EQ(opening.client->system_name(), "none");
    EXPECT_NE(opening.failure.find("ALSA sequencer cannot be opened"), std::string::npos);
}

TEST(AlsaSequencer, OpensListsAndCreatesThePort) {
    if (!sequencer_device_exists())
        GTEST_SKIP() << "no ALSA sequencer on this machine (/dev/snd/seq is missing)";
    MidiClientOpening opening = open_alsa_midi_client(kMidiClientName);
    ASSERT_NE(opening.client, nullptr) << opening.failure;
    EXPECT_EQ(opening.client->system_name(), "ALSA sequencer");
    for (int32_t i = 0; i < opening.client->number_of_sources(); ++i) {
        const auto source = opening.client->source(i);
        EXPECT_TRUE(!source || !source->name.empty());
    }
    EXPECT_NE(opening.client->create_input_port(
                  kMidiInputPortName, [](const uint8_t*, size_t, void*) {}, nullptr),
              nullptr);
}

TEST(MidiSystemSelection, NamesAndTheEnvironmentChooseTheSystem) {
    EXPECT_EQ(midi_system_kind_from_name("alsa"), MidiSystemKind::Alsa);
    EXPECT_EQ(midi_system_kind_from_name("jack"), MidiSystemKind::Jack);
    EXPECT_EQ(midi_system_kind_from_name("none"), MidiSystemKind::None);
    EXPECT_EQ(midi_system_kind_from_name("JACK"), std::nullopt);

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
