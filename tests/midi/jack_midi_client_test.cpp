// The JACK system end to end, through a real server: listing, two sources into the one input
// port, delivery on the receive thread, disconnection, renamed clients, long messages. The
// server is the one JACK_DEFAULT_SERVER names; scripts/with-test-services.sh starts a private
// one with the dummy backend and sets KELVARA_REQUIRE_JACK=1, which turns a missing server
// into a failure (without it the tests skip).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "midi/jack_midi_client.h"
#include "midi/jack_test_source.h"
#include "midi/midi_input.h"
#include "midi/midi_packet_list.h"
#include "midi/midi_source_id.h"
#include "midi_fakes.h"

namespace kelvara::midi {
namespace {

using ::testing::ElementsAre;
using testing::JackTestSource;
using namespace std::chrono_literals;

// Deliveries take about a millisecond; the bound only matters when something is broken.
constexpr auto kDeliveryTimeout = 5s;

// A per-process suffix keeps client names apart when test processes share a server.
std::string unique(const std::string& name) {
    return name + "-" + std::to_string(getpid());
}

#define OPEN_JACK_OR_SKIP(opening)                                                    \
    if (!(opening).client) {                                                          \
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");                   \
        if (required && std::string(required) == "1")                                 \
            FAIL() << "no JACK server: " << (opening).failure;                        \
        GTEST_SKIP() << "no JACK server (scripts/with-test-services.sh starts one): " \
                     << (opening).failure;                                            \
    }

TEST(JackMidi, TwoSourcesPlayIntoTheOneInputUntilDisconnected) {
    MidiClientOpening opening = open_jack_midi_client(kMidiClientName);
    OPEN_JACK_OR_SKIP(opening);
    EXPECT_EQ(opening.client->system_name(), "JACK");
    auto synth_a = JackTestSource::open(unique("Synth A"), {"MIDI Out"});
    auto keys_b = JackTestSource::open(unique("Keys B"), {"MIDI Out"});
    ASSERT_TRUE(synth_a && keys_b);
    auto player = std::make_shared<testing::RecordingNotePlayer>();
    auto chords = std::make_shared<testing::MapChordLookup>();
    chords->chords[60] = {261.5f, 329.5f};
    auto last_played = std::make_shared<LastPlayedKey>();
    MidiInput input(std::move(opening.client), {player, chords, last_played});
    ASSERT_TRUE(input.has_input_port());

    // Listing: device from the client part, name from the port part, id from the full name.
    int item_a = -1, item_b = -1;
    const auto& items = input.source_items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].source.address == synth_a->full_port_name(0)) item_a = int(i);
        if (items[i].source.address == keys_b->full_port_name(0)) item_b = int(i);
    }
    ASSERT_GE(item_a, 0);
    ASSERT_GE(item_b, 0);
    const MidiSource& source_b = items[size_t(item_b)].source;
    EXPECT_EQ(source_b.name, "MIDI Out");
    EXPECT_EQ(source_b.device_name, unique("Keys B"));
    EXPECT_EQ(source_b.unique_id, stable_source_id(keys_b->full_port_name(0)));
    EXPECT_EQ(items[size_t(std::max(item_a, item_b))].title,
              "MIDI Out " + (item_a > item_b ? unique("Synth A") : unique("Keys B")));

    ASSERT_TRUE(input.connect_source(item_a));
    ASSERT_TRUE(input.connect_source(item_b));
    ASSERT_TRUE(input.connect_source(item_b));  // again: still one connection
    ASSERT_TRUE(synth_a->wait_for_connections(0, 1));
    ASSERT_TRUE(keys_b->wait_for_connections(0, 1));
    const auto send_and_wait = [&](JackTestSource& source, std::vector<uint8_t> message,
                                   size_t calls) {
        ASSERT_TRUE(source.send(0, message));
        ASSERT_TRUE(player->wait_for_calls(calls, kDeliveryTimeout));
    };
    send_and_wait(*synth_a, {0x90, 60, 100}, 1);
    send_and_wait(*keys_b, {0xB3, 7, 90}, 2);
    send_and_wait(*keys_b, {0x80, 60, 0}, 3);
    EXPECT_EQ(last_played->value(), 60);

    // After B is disconnected only A plays; A's later message arrives after B's would have.
    keys_b->disconnect_all(0);
    ASSERT_TRUE(keys_b->wait_for_connections(0, 0));
    ASSERT_TRUE(keys_b->send(0, {0x90, 60, 1}));
    send_and_wait(*synth_a, {0xB0, 1, 2}, 4);
    EXPECT_THAT(player->calls(),
                ElementsAre("on 261.5 329.5 v100 -> 1 2", "cc 7 90", "off 1 2", "cc 1 2"));
}

// Raw packets as the receive callback gets them.
struct PacketCollector {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::vector<uint8_t>> packets;

    static void deliver(const uint8_t* list, size_t size, void* self) {
        auto* collector = static_cast<PacketCollector*>(self);
        const std::scoped_lock lock(collector->mutex);
        for_each_midi_packet(list, size, [&](const MidiPacket& p) {
            collector->packets.emplace_back(p.data.begin(), p.data.end());
        });
        collector->changed.notify_all();
    }
    std::vector<std::vector<uint8_t>> wait_for(size_t count) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, kDeliveryTimeout, [&] { return packets.size() >= count; });
        return packets;
    }
};

TEST(JackMidi, TwoClientsOfTheSameNameBothReceiveAndLongMessagesArriveInPackets) {
    MidiClientOpening first = open_jack_midi_client(kMidiClientName);
    OPEN_JACK_OR_SKIP(first);
    MidiClientOpening second = open_jack_midi_client(kMidiClientName);  // renamed by the server
    ASSERT_NE(second.client, nullptr) << second.failure;
    auto source = JackTestSource::open(unique("Sender"), {"out"});
    ASSERT_TRUE(source);
    PacketCollector got[2];
    auto first_port =
        first.client->create_input_port(kMidiInputPortName, &PacketCollector::deliver, &got[0]);
    auto second_port =
        second.client->create_input_port(kMidiInputPortName, &PacketCollector::deliver, &got[1]);
    ASSERT_TRUE(first_port && second_port);
    EXPECT_EQ(
        first.client->create_input_port(kMidiInputPortName, &PacketCollector::deliver, &got[0]),
        nullptr);  // one port per client
    MidiSource sender, gone;
    sender.address = source->full_port_name(0);
    gone.address = "nobody:nothing";
    EXPECT_FALSE(first_port->connect_source(gone));
    ASSERT_TRUE(first_port->connect_source(sender));
    ASSERT_TRUE(second_port->connect_source(sender));
    ASSERT_TRUE(source->wait_for_connections(0, 2));

    std::vector<uint8_t> sysex(300, 0x22);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    ASSERT_TRUE(source->send(0, sysex));
    ASSERT_TRUE(source->send(0, {0x90, 64, 1}));
    const std::vector<uint8_t> sysex_rest(sysex.begin() + kMaxPacketDataBytes, sysex.end());
    for (PacketCollector& collector : got)
        EXPECT_THAT(
            collector.wait_for(3),
            ElementsAre(std::vector<uint8_t>(sysex.begin(), sysex.begin() + kMaxPacketDataBytes),
                        sysex_rest, std::vector<uint8_t>{0x90, 64, 1}));

    // Disposing of a port ends its deliveries at once; the other client still receives.
    first_port.reset();
    ASSERT_TRUE(source->send(0, {0x80, 64, 0}));
    EXPECT_EQ(got[1].wait_for(4).size(), 4u);
    EXPECT_EQ(got[0].wait_for(0).size(), 3u);
}

}  // namespace
}  // namespace kelvara::midi
