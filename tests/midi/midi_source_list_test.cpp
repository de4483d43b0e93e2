// Source list titles, picking items and connecting, and the MIDI input's lifetime, on the
// in-process MIDI system.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "midi/in_process_midi_system.h"
#include "midi/midi_input.h"
#include "midi/no_midi_client.h"
#include "midi_fakes.h"

namespace kelvara::midi {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::MapChordLookup;
using testing::RecordingNotePlayer;

MidiSource on_device(std::string address, std::string name, std::string device) {
    return {std::move(address), std::move(name), 1, true, std::move(device)};
}
MidiSource without_entity(std::string address, std::string name) {
    return {std::move(address), std::move(name), 1, false, std::nullopt};
}
MidiSource entity_without_device(std::string address, std::string name) {
    return {std::move(address), std::move(name), 1, true, std::nullopt};
}

std::vector<std::string> titles(const std::vector<MidiSourceItem>& items) {
    std::vector<std::string> out;
    for (const auto& item : items) out.push_back(item.title);
    return out;
}

class MidiSourcesTest : public ::testing::Test {
protected:
    MidiSourcesTest() { chords->chords[60] = {440.0f}; }

    MidiPlaybackTargets targets() { return {player, chords, last_played}; }
    std::unique_ptr<MidiInput> open_input() {
        return std::make_unique<MidiInput>(system.create_client(kMidiClientName), targets());
    }
    std::vector<std::string> titles_now() {
        auto client = system.create_client(kMidiClientName);
        MidiSourceList list;
        list.rescan_sources(*client);
        return titles(list.source_items());
    }

    InProcessMidiSystem system;
    std::shared_ptr<RecordingNotePlayer> player = std::make_shared<RecordingNotePlayer>();
    std::shared_ptr<MapChordLookup> chords = std::make_shared<MapChordLookup>();
    std::shared_ptr<LastPlayedKey> last_played = std::make_shared<LastPlayedKey>();
};

TEST_F(MidiSourcesTest, WithoutSourcesThePopUpIsEmptyAndNothingConnects) {
    auto input = open_input();
    EXPECT_THAT(input->source_items(), IsEmpty());
    EXPECT_FALSE(input->connect_source(0));
    EXPECT_TRUE(input->has_input_port());
    EXPECT_EQ(input->midi_sources().selected_midi_source(), 0);
    EXPECT_THAT(system.connected_addresses(), IsEmpty());
}

TEST_F(MidiSourcesTest, RepeatedNamesAreToldApartByPositionOrDevice) {
    system.add_source(on_device("a:1", "Port", "A"));
    system.add_source(without_entity("x:1", "Port"));
    system.add_source(on_device("b:1", "Port", "B"));
    system.add_source(on_device("b:2", "Port", "B"));
    system.add_source(on_device("c:1", "Keys", "C"));
    EXPECT_THAT(titles_now(), ElementsAre("Port", "Port #1", "Port B", "Port B # 3", "Keys"));
}

TEST_F(MidiSourcesTest, TitlesCompareWholeTitlesExactly) {
    system.add_source(on_device("a:1", "Port B", "X"));  // looks like "Port" on device B
    system.add_source(on_device("b:1", "Port", "B"));
    system.add_source(on_device("b:2", "Port", "B"));
    EXPECT_THAT(titles_now(), ElementsAre("Port B", "Port", "Port B # 2"));
}

// A source the system cannot return and a repeated name on an entity without a device get
// no item; the later items move up, and each still connects its own source.
TEST_F(MidiSourcesTest, PickedItemsConnectTheirOwnSourceWhenItemsWereLeftOut) {
    system.add_source(on_device("a:1", "Port", "A"));
    system.add_missing_source();
    system.add_source(entity_without_device("e:1", "Port"));
    system.add_source(on_device("c:1", "Keys", "C"));
    system.add_source(on_device("a:2", "Port", "A"));
    auto input = open_input();
    const auto& items = input->source_items();
    EXPECT_THAT(titles(items), ElementsAre("Port", "Keys", "Port A"));
    EXPECT_EQ(items[2].source.address, "a:2");
    ASSERT_TRUE(input->connect_source(2));
    EXPECT_THAT(system.connected_addresses(), ElementsAre("a:2"));
    EXPECT_FALSE(input->connect_source(3));
    EXPECT_FALSE(input->connect_source(-1));
}

TEST_F(MidiSourcesTest, TheScanRemembersTheIndexOfTheSourceWithIdentifierZero) {
    system.add_source(on_device("a:1", "Port", "A"));
    system.add_missing_source();
    MidiSource zero = on_device("z:1", "Zero", "Z");
    zero.unique_id = 0;
    system.add_source(zero);
    MidiSourceList list;
    EXPECT_EQ(list.selected_midi_source(), -1);
    auto client = system.create_client(kMidiClientName);
    list.rescan_sources(*client);
    EXPECT_EQ(list.selected_midi_source(), 2);  // the system's index, not the list position
    EXPECT_EQ(list.midi_sources().size(), 2u);
}

TEST_F(MidiSourcesTest, ConnectionsAccumulateAndEverySourcePlays) {
    system.add_source(on_device("a:1", "Synth", "A"));
    system.add_source(on_device("b:1", "Keys", "B"));
    auto input = open_input();
    input->source_items();
    EXPECT_EQ(system.send("a:1", std::vector<uint8_t>{0x90, 60, 100}), 0);  // nothing picked yet
    ASSERT_TRUE(input->connect_source(0));
    ASSERT_TRUE(input->connect_source(1));
    ASSERT_TRUE(input->connect_source(1));  // picking again changes nothing
    EXPECT_THAT(system.connected_addresses(), ElementsAre("a:1", "b:1"));
    EXPECT_EQ(system.send("a:1", std::vector<uint8_t>{0x90, 60, 100}), 1);
    EXPECT_EQ(system.send("b:1", std::vector<uint8_t>{0x80, 60, 0}), 1);
    EXPECT_THAT(player->calls(), ElementsAre("on 440 v100 -> 1", "off 1"));
    EXPECT_EQ(last_played->value(), 60);
}

TEST_F(MidiSourcesTest, AVanishedSourceFailsToConnectQuietly) {
    system.add_source(on_device("a:1", "Synth", "A"));
    auto input = open_input();
    input->source_items();
    system.remove_source("a:1");
    EXPECT_FALSE(input->connect_source(0));
    EXPECT_THAT(system.connected_addresses(), IsEmpty());
}

TEST_F(MidiSourcesTest, SourcesThatAppearLaterAreListedAfterARescan) {
    int announced = 0;
    MidiInput input(system.create_client(kMidiClientName), targets(), [&] { ++announced; });
    EXPECT_THAT(titles(input.source_items()), IsEmpty());
    system.add_source(on_device("a:1", "Synth", "A"));
    system.add_source(on_device("a:2", "Synth", "A"));
    EXPECT_EQ(announced, 2);
    input.rescan_sources();
    EXPECT_THAT(titles(input.source_items()), ElementsAre("Synth", "Synth A"));
}

// The player and chord map are released only after the port and client are gone, so no
// delivery can reach a released synthesizer.
TEST_F(MidiSourcesTest, ClosingEndsDeliveryBeforeThePlayerIsReleased) {
    struct WatchingPlayer : RecordingNotePlayer {
        const InProcessMidiSystem* system = nullptr;
        int* ports_at_release = nullptr;
        int* clients_at_release = nullptr;
        ~WatchingPlayer() override {
            *ports_at_release = system->open_ports();
            *clients_at_release = system->open_clients();
        }
    };
    int ports = -1;
    int clients = -1;
    auto watching = std::make_shared<WatchingPlayer>();
    watching->system = &system;
    watching->ports_at_release = &ports;
    watching->clients_at_release = &clients;
    auto input = std::make_unique<MidiInput>(system.create_client(kMidiClientName),
                                             MidiPlaybackTargets{watching, chords, last_played});
    watching.reset();
    EXPECT_EQ(system.open_ports(), 1);
    input.reset();
    EXPECT_EQ(ports, 0);
    EXPECT_EQ(clients, 0);
}

TEST_F(MidiSourcesTest, WithoutASystemNothingIsListedAndNothingConnects) {
    MidiInput input(std::make_unique<NoMidiClient>(), targets());
    EXPECT_EQ(input.system_name(), "none");
    EXPECT_FALSE(input.has_input_port());
    EXPECT_THAT(input.source_items(), IsEmpty());
    EXPECT_FALSE(input.connect_source(0));
    EXPECT_EQ(input.connect_all_sources(), 0);
}

TEST_F(MidiSourcesTest, AMissingClientOrTargetIsRefused) {
    EXPECT_THROW(MidiInput(nullptr, targets()), std::invalid_argument);
    EXPECT_THROW(MidiInput(system.create_client(kMidiClientName), {player, chords, nullptr}),
                 std::invalid_argument);
}

}  // namespace
}  // namespace kelvara::midi
