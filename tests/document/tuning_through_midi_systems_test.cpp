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

// The system's output client, and a port of another client on it that the test reads; `skip`
// says why the system cannot be tested here.
struct SystemUnderTest {
    std::unique_ptr<midi::MidiOutputClient> client;
    std::string address;
    std::function<Messages(size_t count)> take;
    std::string skip;
};

SystemUnderTest open_system(const std::string& system) {
    SystemUnderTest s;
    const bool jack = system == "JACK";
    if (!jack && access("/dev/snd/seq", F_OK) != 0) {
        s.skip = "this machine has no ALSA sequencer (/dev/snd/seq)";
        return s;
    }
    midi::MidiOutputClientOpening opening =
        jack ? midi::open_jack_midi_output_client(midi::kMidiClientName)
             : midi::open_alsa_midi_output_client(midi::kMidiClientName);
    if (!opening.client) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (!jack || (required && std::string(required) == "1"))
            ADD_FAILURE() << system << " did not open: " << opening.failure;
        s.skip = "no JACK server (scripts/with-test-services.sh starts one)";
        return s;
    }
    s.client = std::move(opening.client);
    const std::string sink_name = "Tuned Synth-" + std::to_string(getpid());
    if (jack) {
        if (std::shared_ptr sink = midi::testing::JackTestSink::open(sink_name, "MIDI In"))
            s.address = sink->full_port_name(), s.take = [sink](size_t n) { return sink->take(n); };
    } else if (std::shared_ptr sink = midi::testing::AlsaTestSink::open(sink_name)) {
        s.address = sink->address(), s.take = [sink](size_t n) { return sink->take(n); };
    }
    return s;
}

// The parameter names the system: "JACK" or "ALSA".
class TuningThroughMidiSystems : public ::testing::TestWithParam<std::string> {};

TEST_P(TuningThroughMidiSystems, TheSynthesizerReceivesTheDumpThenTheChangedKeys) {
    SystemUnderTest system = open_system(GetParam());
    if (!system.skip.empty()) GTEST_SKIP() << system.skip;
    ASSERT_TRUE(system.take) << "the test sink did not open";
    midi::MidiOutput output(std::move(system.client));
    const std::optional<size_t> destination = output.find_destination(system.address);
    ASSERT_TRUE(destination) << system.address;
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
    const auto exported = tuning_dump(*doc.scale_tuning({}, "twelve"));
    EXPECT_EQ(system.take(1), Messages{std::vector<uint8_t>(exported.begin(), exported.end())});

    // A new base: 128 keys, two messages (which keys an edit retunes: midi_tuning_sender_test).
    doc.curve_actions().set_base_frequency(262.0f);
    ASSERT_EQ(*sender.follow(doc), 128);
    ASSERT_EQ(*expected.follow(doc), 128);
    EXPECT_TRUE(output.wait_until_sent(5000ms));
    EXPECT_EQ(system.take(2), Messages(record->sent.begin() + 1, record->sent.end()));
    EXPECT_EQ(output.dropped_messages(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Systems, TuningThroughMidiSystems, ::testing::Values("JACK", "ALSA"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kelvara
