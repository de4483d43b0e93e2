// The JACK system end to end, through a real server: listing, two sources into the one input
// port, delivery on the receive thread, disconnection, renamed clients. The server is the one
// JACK_DEFAULT_SERVER names; scripts/with-test-services.sh starts a private one with the
// dummy backend and sets KELVARA_REQUIRE_JACK=1, which turns a missing server into a failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

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
using testing::MapChordLookup;
using testing::RecordingNotePlayer;
using namespace std::chrono_literals;

// Deliveries take about a millisecond; the bound only matters when something is broken.
constexpr auto kDeliveryTimeout = 5s;

bool jack_required() {
    const char* value = std::getenv("KELVARA_REQUIRE_JACK");
    return value != nullptr && std::string(value) == "1";
}

// A per-process suffix keeps client names apart when test processes share a server.
std::string unique(const std::string& name) {
    return name + "-" + std::to_string(getpid());
}

#define OPEN_JACK_OR_SKIP(opening)                                              \
    if (!(opening).client) {                                                    \
        if (jack_required()) FAIL() << "no JACK server: " << (opening).failure; \
        GTEST_SKIP() << "JACK unavailable: " << (opening).failure;              \
    }

// The pop-up item of the source at `address`, or -1.
int item_of(const std::vector<MidiSourceItem>& items, const std::string& address) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].source.address == address) return static_cast<int>(i);
    return -1;
}

TEST(JackMidi, TwoSourcesPlayIntoTheOneInputUntilDisconnected) {
    MidiClientOpening opening = open_jack_midi_client(kMidiClientName);
    OPEN_JACK_OR_SKIP(opening);
    EXPECT_EQ(opening.client->system_name(), "JACK");
    auto synth_a = JackTestSource::open(unique("Synth A"), {"MIDI Out"});
    auto keys_b = JackTestSource::open(unique("Keys B"), {"MIDI Out"});
    ASSERT_TRUE(synth_a && keys_b);
    const std::string a = synth_a->full_port_name(0);
    const std::string b = keys_b->full_port_name(0);

    auto player = std::make_shared<RecordingNotePlayer>();
    auto chords = std::make_shared<MapChordLookup>();
    chords->chords[60] = {261.5f, 329.5f};
    auto last_played = std::make_shared<LastPlayedKey>();
    MidiInput input(std::move(opening.client), {player, chords, last_played});
    ASSERT_TRUE(input.has_input_port());

    // Listing: device from the client part, name from the port part, id from the full name.
    const auto& items = input.source_items();
    const int item_a = item_of(items, a);
    const int item_b = item_of(items, b);
    ASSERT_GE(item_a, 0);
    ASSERT_GE(item_b, 0);
    const MidiSource& source_b = items[static_cast<size_t>(item_b)].source;
    EXPECT_EQ(source_b.name, "MIDI Out");
    EXPECT_EQ(source_b.device_name, unique("Keys B"));
    EXPECT_EQ(source_b.unique_id, stable_source_id(b));
    EXPECT_EQ(items[static_cast<size_t>(std::max(item_a, item_b))].title,
              "MIDI Out " + (item_a > item_b ? unique("Synth A") : unique("Keys B")));

    ASSERT_TRUE(input.connect_source(item_a));
    ASSERT_TRUE(input.connect_source(item_b));
    ASSERT_TRUE(input.connect_source(item_b));  // again: still one connection
    ASSERT_TRUE(synth_a->wait_for_connections(0, 1));
    ASSERT_TRUE(keys_b->wait_for_connections(0, 1));

    ASSERT_TRUE(synth_a->send(0, {0x90, 60, 100}));
    ASSERT_TRUE(player->wait_for_calls(1, kDeliveryTimeout));
    ASSERT_TRUE(keys_b->send(0, {0xB3, 7, 90}));
    ASSERT_TRUE(player->wait_for_calls(2, kDeliveryTimeout));
    ASSERT_TRUE(keys_b->send(0, {0x80, 60, 0}));
    ASSERT_TRUE(player->wait_for_calls(3, kDeliveryTimeout));
    EXPECT_THAT(player->calls(), ElementsAre("on 261.5 329.5 v100 -> 1 2", "cc 7 90", "off 1 2"));
    EXPECT_EQ(last_played->value(), 60);

    // After B is disconnected only A plays; A's later message arrives after B's would have.
    keys_b->disconnect_all(0);
    ASSERT_TRUE(keys_b->wait_for_connections(0, 0));
    ASSERT_TRUE(keys_b->send(0, {0x90, 60, 1}));
    ASSERT_TRUE(synth_a->send(0, {0xB0, 1, 2}));
    ASSERT_TRUE(player->wait_for_calls(4, kDeliveryTimeout));
    EXPECT_THAT(player->calls(),
                ElementsAre("on 261.5 329.5 v100 -> 1 2", "cc 7 90", "off 1 2", "cc 1 2"));
}

// Raw packet lists as the receive callback gets them, collected for a test.
struct PacketCollector {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::vector<uint8_t>> packets;

    static void deliver(const uint8_t* list, size_t size, void* self) {
        auto* collector = static_cast<PacketCollector*>(self);
        {
            const std::scoped_lock lock(collector->mutex);
            for_each_midi_packet(list, size, [&](const MidiPacket& p) {
                collector->packets.emplace_back(p.data.begin(), p.data.end());
            });
        }
        collector->changed.notify_all();
    }
    bool wait_for(size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, kDeliveryTimeout, [&] { return packets.size() >= count; });
    }
};

TEST(JackMidi, TwoClientsOfTheSameNameBothReceiveAndLongMessagesArriveInPackets) {
    MidiClientOpening first = open_jack_midi_client(kMidiClientName);
    OPEN_JACK_OR_SKIP(first);
    MidiClientOpening second = open_jack_midi_client(kMidiClientName);  // renamed by the server
    ASSERT_NE(second.client, nullptr) << second.failure;
    auto source = JackTestSource::open(unique("Sender"), {"out"});
    ASSERT_TRUE(source);

    PacketCollector first_packets;
    PacketCollector second_packets;
    auto first_port = first.client->create_input_port(kMidiInputPortName, &PacketCollector::deliver,
                                                      &first_packets);
    auto second_port = second.client->create_input_port(kMidiInputPortName,
                                                        &PacketCollector::deliver, &second_packets);
    ASSERT_TRUE(first_port && second_port);
    EXPECT_EQ(first.client->create_input_port(kMidiInputPortName, &PacketCollector::deliver,
                                              &first_packets),
              nullptr);  // one port per client
    MidiSource sender;
    sender.address = source->full_port_name(0);
    ASSERT_TRUE(first_port->connect_source(sender));
    ASSERT_TRUE(second_port->connect_source(sender));
    MidiSource gone;
    gone.address = "nobody:nothing";
    EXPECT_FALSE(first_port->connect_source(gone));
    ASSERT_TRUE(source->wait_for_connections(0, 2));

    std::vector<uint8_t> sysex(300, 0x22);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    ASSERT_TRUE(source->send(0, sysex));
    ASSERT_TRUE(source->send(0, {0x90, 64, 1}));
    ASSERT_TRUE(first_packets.wait_for(3));
    ASSERT_TRUE(second_packets.wait_for(3));
    for (PacketCollector* collector : {&first_packets, &second_packets}) {
        const std::scoped_lock lock(collector->mutex);
        ASSERT_EQ(collector->packets.size(), 3u);
        EXPECT_EQ(collector->packets[0].size(), kMaxPacketDataBytes);
        EXPECT_EQ(collector->packets[1].size(), 300 - kMaxPacketDataBytes);
        EXPECT_EQ(collector->packets[1].back(), 0xF7);
        EXPECT_EQ(collector->packets[2], (std::vector<uint8_t>{0x90, 64, 1}));
    }

    // Disposing of a port ends its deliveries at once; the other client still receives.
    first_port.reset();
    ASSERT_TRUE(source->send(0, {0x80, 64, 0}));
    ASSERT_TRUE(second_packets.wait_for(4));
    const std::scoped_lock lock(first_packets.mutex);
    EXPECT_EQ(first_packets.packets.size(), 3u);
}

}  // namespace
}  // namespace kelvara::midi
