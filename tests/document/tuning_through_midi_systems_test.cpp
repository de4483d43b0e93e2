// A document's tuning through the real MIDI systems to a port the test owns: the bulk dump
// read back as the exact 408 bytes of the .syx export, then the single-note changes of an
// edit of the scale table, byte for byte what an in-memory port was given for the same
// steps. JACK runs against the test services' server (a missing one fails when
// KELVARA_REQUIRE_JACK=1); the ALSA sequencer where the machine has /dev/snd/seq.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/midi_tuning_sender.h"
#include "midi/alsa_midi_output_client.h"
#include "midi/alsa_test_sink.h"
#include "midi/jack_midi_output_client.h"
#include "midi/jack_test_sink.h"
#include "midi/midi_system.h"
#include "support/recording_midi_output.h"

namespace kelvara {
namespace {

using Messages = std::vector<std::vector<uint8_t>>;
using namespace std::chrono_literals;

// A port of another client that the test reads.
struct TestSink {
    std::string address;
    std::function<Messages(size_t count)> take;
};

struct SystemUnderTest {
    std::unique_ptr<midi::MidiOutputClient> client;
    TestSink sink;
    std::string skip;  // why this system cannot be tested here
};

std::string unique(const std::string& name) {
    return name + "-" + std::to_string(getpid());
}

SystemUnderTest jack_system() {
    SystemUnderTest system;
    midi::MidiOutputClientOpening opening =
        midi::open_jack_midi_output_client(midi::kMidiClientName);
    if (!opening.client) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (required && std::string(required) == "1")
            ADD_FAILURE() << "no JACK server: " << opening.failure;
        system.skip = "no JACK server (scripts/with-test-services.sh starts one)";
        return system;
    }
    std::shared_ptr<midi::testing::JackTestSink> sink =
        midi::testing::JackTestSink::open(unique("Tuned Synth"), "MIDI In");
    if (!sink) {
        ADD_FAILURE() << "the JACK test sink did not open";
        return system;
    }
    system.client = std::move(opening.client);
    system.sink = {sink->full_port_name(), [sink](size_t count) { return sink->take(count); }};
    return system;
}

SystemUnderTest alsa_system() {
    SystemUnderTest system;
    if (access("/dev/snd/seq", F_OK) != 0) {
        system.skip = "this machine has no ALSA sequencer (/dev/snd/seq)";
        return system;
    }
    midi::MidiOutputClientOpening opening =
        midi::open_alsa_midi_output_client(midi::kMidiClientName);
    std::shared_ptr<midi::testing::AlsaTestSink> sink =
        midi::testing::AlsaTestSink::open(unique("Tuned Synth"));
    if (!opening.client || !sink) {
        ADD_FAILURE() << "the ALSA sequencer did not open: " << opening.failure;
        return system;
    }
    system.client = std::move(opening.client);
    system.sink = {sink->address(), [sink](size_t count) { return sink->take(count); }};
    return system;
}

// The parameter names the system: "JACK" or "ALSA".
class TuningThroughMidiSystems : public ::testing::TestWithParam<std::string> {};

TEST_P(TuningThroughMidiSystems, TheSynthesizerReceivesTheDumpThenTheChangedKeys) {
    SystemUnderTest system = GetParam() == "JACK" ? jack_system() : alsa_system();
    if (!system.skip.empty()) GTEST_SKIP() << system.skip;
    ASSERT_TRUE(system.client);
    midi::MidiOutput output(std::move(system.client));
    const std::optional<size_t> destination = output.find_destination(system.sink.address);
    ASSERT_TRUE(destination) << system.sink.address;
    ASSERT_TRUE(output.connect_destination(*destination));

    // The same steps into an in-memory port say what must arrive.
    auto record = std::make_shared<testing::RecordedMidiOutput>();
    record->listed = {output.destinations()[*destination]};
    midi::MidiOutput expected_output(std::make_unique<testing::RecordingMidiOutputClient>(record));
    ASSERT_TRUE(expected_output.connect_destination(0));

    Document doc;
    DocumentFileState state = doc.state();
    state.scale_ratios.clear();
    for (int step = 0; step <= 12; ++step) state.scale_ratios.push_back(std::exp2(step / 12.0f));
    state.base_frequency = 261.6255653005986;
    ASSERT_TRUE(doc.apply_state(state));
    MidiTuningSender sender(output);
    MidiTuningSender expected(expected_output);

    ASSERT_TRUE(sender.send_dump(doc, "twelve"));
    ASSERT_TRUE(expected.send_dump(doc, "twelve"));
    const Messages dump = system.sink.take(1);
    ASSERT_EQ(dump.size(), 1u);
    const auto exported = tuning_dump(*doc.scale_tuning({}, "twelve"));
    EXPECT_EQ(dump[0], std::vector<uint8_t>(exported.begin(), exported.end()));

    // A just third (11 keys, one message), then a new base (128 keys, two messages).
    state.scale_ratios[4] = 1.25f;
    ASSERT_TRUE(doc.apply_state(state));
    ASSERT_EQ(*sender.follow(doc), 11);
    doc.set_base_frequency(262.0f);
    ASSERT_EQ(*sender.follow(doc), 128);
    ASSERT_EQ(*expected.follow(doc), 128);  // both edits at once: every key, as the second
    EXPECT_TRUE(output.wait_until_sent(5000ms));
    const Messages changes = system.sink.take(3);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].size(), 8u + 4 * 11);
    EXPECT_EQ(std::vector<uint8_t>(changes[0].begin(), changes[0].begin() + 7),
              (std::vector<uint8_t>{0xF0, 0x7F, 0x7F, 0x08, 0x02, 0x00, 11}));
    EXPECT_EQ(Messages(changes.begin() + 1, changes.end()),
              Messages(record->sent.begin() + 1, record->sent.end()));
    EXPECT_EQ(output.dropped_messages(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Systems, TuningThroughMidiSystems, ::testing::Values("JACK", "ALSA"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kelvara
