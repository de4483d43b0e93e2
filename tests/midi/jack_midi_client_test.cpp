// The JACK system end to end, through a real server: listing, two documents' clients of
// the same name (the server renames the second) both receiving from one source, delivery on
// the receive thread in order, a closed input receiving nothing more, and a pick replacing
// the selected source. The server is the one JACK_DEFAULT_SERVER names;
// scripts/with-test-services.sh starts a private one with the dummy backend and sets
// KELVARA_REQUIRE_JACK=1, which turns a missing server into a failure (without it the test
// skips).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "midi/jack_midi_client.h"
#include "midi/jack_test_source.h"
#include "midi/midi_input.h"
#include "midi/midi_source_id.h"
#include "midi_fakes.h"

namespace kelvara::midi {
namespace {

using ::testing::ElementsAre;
using testing::JackTestSource;
using testing::per_process_name;
using namespace std::chrono_literals;

// The MIDI side of one open document.
struct Document {
    explicit Document(std::unique_ptr<MidiClient> client,
                      std::function<void()> sources_changed = {})
        : input(std::move(client), {player, chords, std::make_shared<LastPlayedKey>()},
                std::move(sources_changed)) {}
    int item_of(const JackTestSource& source, size_t port = 0) {
        const auto& items = input.source_items();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].source.address == source.full_port_name(port)) return int(i);
        return -1;
    }
    // Deliveries take about a millisecond; the bound only matters when something is broken.
    bool wait_for_calls(size_t count) {
        for (int i = 0; i < 2500 && player->calls().size() < count; ++i)
            std::this_thread::sleep_for(2ms);
        return player->calls().size() >= count;
    }

    std::shared_ptr<testing::RecordingNotePlayer> player =
        std::make_shared<testing::RecordingNotePlayer>();
    // Filled before the input's receive thread starts.
    std::shared_ptr<testing::MapChordLookup> chords = [] {
        auto chords = std::make_shared<testing::MapChordLookup>();
        chords->chords[60] = {261.5f, 329.5f};
        return chords;
    }();
    MidiInput input;
};

TEST(JackMidi, ASourcePlaysIntoEveryOpenInputConnectedToIt) {
    MidiClientOpening first = open_jack_midi_client(kMidiClientName);
    if (!first.client) {
        if (testing::jack_server_required()) FAIL() << "no JACK server: " << first.failure;
        GTEST_SKIP() << "no JACK server (scripts/with-test-services.sh starts one): "
                     << first.failure;
    }
    MidiClientOpening second = open_jack_midi_client(kMidiClientName);
    ASSERT_NE(second.client, nullptr) << second.failure;
    auto keys = JackTestSource::open(per_process_name("Keys"), {"MIDI Out", "MIDI Out 2"});
    ASSERT_TRUE(keys);
    Document one(std::move(first.client));
    auto two = std::make_unique<Document>(std::move(second.client));
    ASSERT_TRUE(one.input.has_input_port() && two->input.has_input_port());

    // Listing: device from the client part, name from the port part, id from the full name.
    const int item = one.item_of(*keys);
    ASSERT_GE(item, 0);
    const MidiSource& source = one.input.source_items()[size_t(item)].source;
    EXPECT_EQ(source.name, "MIDI Out");
    EXPECT_EQ(source.device_name, per_process_name("Keys"));
    EXPECT_EQ(source.unique_id, stable_source_id(keys->full_port_name(0)));

    ASSERT_TRUE(one.input.connect_source(item));
    ASSERT_TRUE(one.input.connect_source(item));  // again: still one connection
    ASSERT_TRUE(two->input.connect_source(two->item_of(*keys)));
    ASSERT_TRUE(keys->wait_for_connections(0, 2));
    ASSERT_TRUE(keys->send(0, {0x90, 60, 100}));
    ASSERT_TRUE(keys->send(0, {0xB3, 7, 90}));
    ASSERT_TRUE(keys->send(0, {0x80, 60, 0}));
    ASSERT_TRUE(one.wait_for_calls(3) && two->wait_for_calls(3));
    EXPECT_EQ(one.player->calls(), two->player->calls());

    // A closed input receives nothing more; the other still does.
    const auto closed_player = two->player;
    two.reset();
    ASSERT_TRUE(keys->send(0, {0xB0, 1, 2}));
    ASSERT_TRUE(one.wait_for_calls(4));
    EXPECT_THAT(one.player->calls(),
                ElementsAre("on 261.5 329.5 v100 -> 1 2", "cc 7 90", "off 1 2", "cc 1 2"));
    EXPECT_EQ(closed_player->calls().size(), 3u);

    // Each pick in the window's list adds or removes one source, and the list's checks are
    // the connections.
    ASSERT_TRUE(one.input.toggle_source(one.item_of(*keys, 1)));
    ASSERT_TRUE(keys->wait_for_connections(1, 1));
    EXPECT_TRUE(keys->wait_for_connections(0, 1)) << "the first stays connected";
    ASSERT_TRUE(one.input.toggle_source(one.item_of(*keys, 0)));  // unchecked: let go
    EXPECT_TRUE(keys->wait_for_connections(0, 0));
    EXPECT_TRUE(keys->wait_for_connections(1, 1));
    EXPECT_THAT(one.input.connected_items(), ElementsAre(one.item_of(*keys, 1)));
}

// Closing never hangs: an input opened and closed many times, each time while a source plays
// into it and while another client comes and goes (libjack notifies every client of both),
// with the sources-changed callback installed. A hang ends the test process with a failure
// instead of blocking the run.
TEST(JackMidi, AnInputOpensAndClosesWhileMidiFlowsAndClientsComeAndGo) {
    auto keys = JackTestSource::open(per_process_name("FlowingKeys"), {"out"}, 64);
    if (!keys) GTEST_SKIP() << "no JACK server";
    std::atomic<bool> done{false};
    std::atomic<int> closed{0};
    std::atomic<int> notices{0};  // sources that came or went, as the inputs were told
    std::jthread cycles([&] {
        for (int i = 0; i < 20; ++i) {
            MidiClientOpening opened = open_jack_midi_client(kMidiClientName);
            if (!opened.client) break;
            Document document(std::move(opened.client), [&] { ++notices; });
            const int item = document.item_of(*keys);
            if (item < 0 || !document.input.connect_source(item) ||
                !keys->wait_for_connections(0, 1))
                break;
            for (int m = 0; m < 32; ++m)
                keys->send(0, {uint8_t(m % 2 ? 0x80 : 0x90), uint8_t(60 + m % 12), 90});
            if (!document.wait_for_calls(1)) break;
            closed = i + 1;
        }
        done = true;
    });
    std::jthread churn([&](const std::stop_token& stop) {
        for (int i = 0; !stop.stop_requested(); ++i)
            JackTestSource::open(per_process_name("Passing") + std::to_string(i % 2), {"out"});
    });
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    while (!done && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
    if (!done) {
        ADD_FAILURE() << "closing the JACK input hung after " << closed << " cycles";
        std::_Exit(1);  // the hung thread cannot be joined
    }
    churn.request_stop();
    EXPECT_EQ(closed.load(), 20);
    EXPECT_GT(notices.load(), 0);
}

}  // namespace
}  // namespace kelvara::midi
