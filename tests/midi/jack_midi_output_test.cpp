// The JACK output end to end, through a real server: destinations listed, messages sent whole
// and in order (system-exclusive ones of every size the tuning messages use, in a burst that
// spans many cycles), a connection switched from one destination to another, and nothing
// sent after a disconnection. The server is the one JACK_DEFAULT_SERVER names (see
// jack_midi_client_test.cpp).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/jack_midi_output_client.h"
#include "midi/jack_test_sink.h"
#include "midi/jack_test_source.h"
#include "midi/midi_output.h"
#include "midi/midi_system.h"

namespace kelvara::midi {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using testing::JackTestSink;
using ::testing::Not;
using testing::per_process_name;
using namespace std::chrono_literals;

// A system-exclusive message of `length` bytes whose data bytes count up from `first`.
std::vector<uint8_t> exclusive(size_t length, uint8_t first = 0) {
    std::vector<uint8_t> message(length);
    message.front() = 0xF0;
    for (size_t i = 1; i + 1 < length; ++i) message[i] = static_cast<uint8_t>((first + i) & 0x7F);
    message.back() = 0xF7;
    return message;
}

TEST(JackMidiOutput, SendsWholeMessagesInOrderToTheDestinationChosen) {
    MidiOutputClientOpening opening = open_jack_midi_output_client(kMidiClientName);
    if (!opening.client) {
        if (testing::jack_server_required()) FAIL() << "no JACK server: " << opening.failure;
        GTEST_SKIP() << "no JACK server (scripts/with-test-services.sh starts one)";
    }
    auto synth = JackTestSink::open(per_process_name("Synth"), "MIDI In");
    auto other = JackTestSink::open(per_process_name("Other"), "MIDI In");
    auto keys = testing::JackTestSource::open(per_process_name("Keys"), {"MIDI Out"});
    ASSERT_TRUE(synth && other && keys);
    MidiOutput output(std::move(opening.client));

    // Listing: input ports only, device from the client part; nothing connected yet.
    const auto listed = [&] {
        std::vector<std::string> addresses;
        for (const MidiDestination& d : output.destinations()) addresses.push_back(d.address);
        return addresses;
    };
    EXPECT_THAT(listed(), Not(Contains(keys->full_port_name(0))));
    const std::optional<size_t> found = output.find_destination(synth->full_port_name());
    ASSERT_TRUE(found);
    EXPECT_EQ(output.destinations()[*found].device_name, per_process_name("Synth"));
    EXPECT_FALSE(output.send(std::vector<uint8_t>{0x90, 60, 100})) << "nothing connected";

    // Its own port is not a destination, and a message that is not complete is refused.
    ASSERT_TRUE(output.connect_destination(*found));
    output.rescan_destinations();
    for (const std::string& address : listed())
        EXPECT_EQ(address.find(kMidiOutputPortName), std::string::npos) << address;
    EXPECT_FALSE(output.send(std::vector<uint8_t>{0xF0, 0x7E, 0x7F}));

    // The 408 bytes of a tuning dump, a note and a burst of 264-byte changes far beyond one
    // cycle's buffer leave over several cycles, whole and in order.
    std::vector<std::vector<uint8_t>> burst = {exclusive(408), {0x90, 60, 100}};
    for (uint8_t i = 0; i < 200; ++i) burst.push_back(exclusive(264, i));
    for (const auto& message : burst) ASSERT_TRUE(output.send(message));
    EXPECT_TRUE(output.wait_until_sent(5s));
    EXPECT_EQ(synth->take(burst.size()), burst);
    EXPECT_EQ(output.dropped_messages(), 0u);

    // Switched to the other destination, the first hears nothing more; disconnected, neither.
    output.rescan_destinations();
    ASSERT_TRUE(output.connect_destination(*output.find_destination(other->full_port_name())));
    ASSERT_TRUE(output.send(std::vector<uint8_t>{0xB0, 7, 90}));
    EXPECT_THAT(other->take(1), ElementsAre(std::vector<uint8_t>{0xB0, 7, 90}));
    output.disconnect();
    EXPECT_FALSE(output.send(std::vector<uint8_t>{0xB0, 7, 91}));
    EXPECT_TRUE(synth->take(1, 100ms).empty());
    EXPECT_TRUE(other->take(1, 100ms).empty());
}

}  // namespace
}  // namespace kelvara::midi
