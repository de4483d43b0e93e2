// The JACK system end to end, through a real server: listing, two sources into one input
// port, two documents' clients of the same name (the server renames the second) both
// receiving, delivery on the receive thread, disconnection, and a closed input receiving
// nothing more. The server is the one JACK_DEFAULT_SERVER names;
// scripts/with-test-services.sh starts a private one with the dummy backend and sets
// KELVARA_REQUIRE_JACK=1, which turns a missing server into a failure (without it the test
// skips).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "midi/jack_midi_client.h"
#include "midi/jack_test_source.h"
#include "midi/midi_input.h"
#include "midi/midi_source_id.h"
#include "midi_fakes.h"

namespace kelvara::midi {
namespace {

using ::testing::ElementsAre;
using testing::JackTestSource;
using namespace std::chrono_literals;

// A per-process suffix keeps client names apart when test processes share a server.
std::string unique(const std::string& name) {
    return name + "-" + std::to_string(getpid());
}

// The MIDI side of one open document.
struct Document {
    explicit Document(std::unique_ptr<MidiClient> client)
        : input(std::move(client), {player, chords, std::make_shared<LastPlayedKey>()}) {
        chords->chords[60] = {261.5f, 329.5f};
    }
    int item_of(const JackTestSource& source) {
        const auto& items = input.source_items();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].source.address == source.full_port_name(0)) return int(i);
        return -1;
    }
    // Deliveries take about a millisecond; the bound only matters when something is broken.
    bool wait_for_calls(size_t count) { return player->wait_for_calls(count, 5s); }

    std::shared_ptr<testing::RecordingNotePlayer> player =
        std::make_shared<testing::RecordingNotePlayer>();
    std::shared_ptr<testing::MapChordLookup> chords = std::make_shared<testing::MapChordLookup>();
    MidiInput input;
};

TEST(JackMidi, SourcesPlayIntoEveryInputConnectedToThemUntilDisconnected) {
    MidiClientOpening first = open_jack_midi_client(kMidiClientName);
    if (!first.client) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (required && std::string(required) == "1") FAIL() << "no JACK server: " << first.failure;
        GTEST_SKIP() << "no JACK server (scripts/with-test-services.sh starts one): "
                     << first.failure;
    }
    EXPECT_EQ(first.client->system_name(), "JACK");
    MidiClientOpening second = open_jack_midi_client(kMidiClientName);
    ASSERT_NE(second.client, nullptr) << second.failure;
    auto synth_a = JackTestSource::open(unique("Synth A"), {"MIDI Out"});
    auto keys_b = JackTestSource::open(unique("Keys B"), {"MIDI Out"});
    ASSERT_TRUE(synth_a && keys_b);
    Document one(std::move(first.client));
    auto two = std::make_unique<Document>(std::move(second.client));
    ASSERT_TRUE(one.input.has_input_port() && two->input.has_input_port());

    // Listing: device from the client part, name from the port part, id from the full name.
    const int item_a = one.item_of(*synth_a), item_b = one.item_of(*keys_b);
    ASSERT_GE(item_a, 0);
    ASSERT_GE(item_b, 0);
    const auto& items = one.input.source_items();
    const MidiSource& source_b = items[size_t(item_b)].source;
    EXPECT_EQ(source_b.name, "MIDI Out");
    EXPECT_EQ(source_b.device_name, unique("Keys B"));
    EXPECT_EQ(source_b.unique_id, stable_source_id(keys_b->full_port_name(0)));
    EXPECT_EQ(items[size_t(std::max(item_a, item_b))].title,
              "MIDI Out " + (item_a > item_b ? unique("Synth A") : unique("Keys B")));

    ASSERT_TRUE(one.input.connect_source(item_a));
    ASSERT_TRUE(one.input.connect_source(item_b));
    ASSERT_TRUE(one.input.connect_source(item_b));  // again: still one connection
    ASSERT_TRUE(two->input.connect_source(two->item_of(*synth_a)));
    ASSERT_TRUE(synth_a->wait_for_connections(0, 2));
    ASSERT_TRUE(keys_b->wait_for_connections(0, 1));
    ASSERT_TRUE(synth_a->send(0, {0x90, 60, 100}));
    ASSERT_TRUE(one.wait_for_calls(1) && two->wait_for_calls(1));
    ASSERT_TRUE(keys_b->send(0, {0xB3, 7, 90}));
    ASSERT_TRUE(one.wait_for_calls(2));
    ASSERT_TRUE(keys_b->send(0, {0x80, 60, 0}));
    ASSERT_TRUE(one.wait_for_calls(3));

    // After B is disconnected only A plays; A's later message arrives after B's would have.
    keys_b->disconnect_all(0);
    ASSERT_TRUE(keys_b->wait_for_connections(0, 0));
    ASSERT_TRUE(keys_b->send(0, {0x90, 60, 1}));
    ASSERT_TRUE(synth_a->send(0, {0xB0, 1, 2}));
    ASSERT_TRUE(one.wait_for_calls(4) && two->wait_for_calls(2));
    EXPECT_THAT(one.player->calls(),
                ElementsAre("on 261.5 329.5 v100 -> 1 2", "cc 7 90", "off 1 2", "cc 1 2"));

    // A closed input receives nothing more; the other still does.
    const auto closed_player = two->player;
    two.reset();
    ASSERT_TRUE(synth_a->send(0, {0x80, 60, 0}));
    ASSERT_TRUE(one.wait_for_calls(5));
    EXPECT_THAT(closed_player->calls(), ElementsAre("on 261.5 329.5 v100 -> 1 2", "cc 1 2"));
}

}  // namespace
}  // namespace kelvara::midi
