// Source list titles, picking items and connecting, on the in-process MIDI system; the
// MIDI input without an ALSA sequencer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include "midi/alsa_midi_client.h"
#include "midi/in_process_midi_system.h"
#include "midi/midi_input.h"
#include "midi/midi_system_selection.h"
#include "midi_fakes.h"

namespace kelvara::midi {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> titles(const std::vector<MidiSourceItem>& items) {
    std::vector<std::string> out;
    for (const auto& item : items) out.push_back(item.title);
    return out;
}

class MidiSourcesTest : public ::testing::Test {
protected:
    MidiSourcesTest() { chords->chords[60] = {440.0f}; }

    InProcessMidiSystem system;
    std::shared_ptr<testing::RecordingNotePlayer> player =
        std::make_shared<testing::RecordingNotePlayer>();
    std::shared_ptr<testing::MapChordLookup> chords = std::make_shared<testing::MapChordLookup>();
    std::shared_ptr<LastPlayedKey> last_played = std::make_shared<LastPlayedKey>();
};

// Sources are {address, name, identifier, has an entity, device}.
TEST_F(MidiSourcesTest, RepeatedNamesAreToldApartByPositionOrDevice) {
    const struct {
        std::vector<MidiSource> sources;
        std::vector<std::string> titles;
    } cases[] = {
        {{{"a:1", "Port", 1, true, "A"},
          {"x:1", "Port", 1, false, {}},
          {"b:1", "Port", 1, true, "B"},
          {"b:2", "Port", 1, true, "B"},
          {"c:1", "Keys", 1, true, "C"}},
         {"Port", "Port #1", "Port B", "Port B # 3", "Keys"}},
    };
    for (const auto& c : cases) {
        InProcessMidiSystem sources;
        for (const MidiSource& source : c.sources) sources.add_source(source);
        MidiSourceList list;
        list.rescan_sources(*sources.create_client(kMidiClientName));
        EXPECT_EQ(titles(list.source_items()), c.titles);
    }
}

// Sources that appear later are announced and listed after a rescan. A source the system
// cannot return and a repeated name on an entity without a device get no item; the later
// items move up, and each still connects its own source. Connections accumulate, and every
// connected source plays.
TEST_F(MidiSourcesTest, PickedItemsConnectTheirOwnSourcesAndEveryConnectedSourcePlays) {
    int announced = 0;
    auto input = std::make_unique<MidiInput>(system.create_client(kMidiClientName),
                                             MidiPlaybackTargets{player, chords, last_played},
                                             [&] { ++announced; });
    EXPECT_THAT(input->source_items(), IsEmpty());
    system.add_source({"a:1", "Port", 1, true, "A"});
    system.add_missing_source();
    system.add_source({"e:1", "Port", 1, true, std::nullopt});
    system.add_source({"c:1", "Keys", 1, true, "C"});
    system.add_source({"a:2", "Port", 1, true, "A"});
    EXPECT_EQ(announced, 4);  // one per source the system can return
    input->rescan_sources();
    EXPECT_THAT(titles(input->source_items()), ElementsAre("Port", "Keys", "Port A"));
    EXPECT_EQ(system.send("a:2", std::vector<uint8_t>{0x90, 60, 100}), 0);  // nothing picked yet
    ASSERT_TRUE(input->connect_source(2));
    ASSERT_TRUE(input->connect_source(1));
    EXPECT_FALSE(input->connect_source(3));
    system.remove_source("a:1");
    EXPECT_FALSE(input->connect_source(0));  // a vanished source fails quietly
    EXPECT_THAT(system.connected_addresses(), ElementsAre("a:2", "c:1"));
    EXPECT_EQ(system.send("a:2", std::vector<uint8_t>{0x90, 60, 100}), 1);
    EXPECT_EQ(system.send("c:1", std::vector<uint8_t>{0x80, 60, 0}), 1);
    EXPECT_THAT(player->calls(), ElementsAre("on 440 v100 -> 1", "off 1"));
    EXPECT_EQ(last_played->value(), 60);
}

// Machines without /dev/snd/seq (headless build machines) run documents without MIDI.
TEST(MidiSystemSelection, WithoutTheAlsaSequencerTheDocumentRunsWithoutMidiAndSaysWhy) {
    if (access("/dev/snd/seq", F_OK) == 0) GTEST_SKIP() << "this machine has an ALSA sequencer";
    EXPECT_EQ(open_alsa_midi_client(kMidiClientName).failure,
              "the ALSA sequencer cannot be opened: No such file or directory");
    const MidiClientOpening opening = open_midi_client(kMidiClientName, MidiSystemKind::Alsa);
    ASSERT_NE(opening.client, nullptr);
    EXPECT_EQ(opening.client->system_name(), "none");
    EXPECT_NE(opening.failure.find("ALSA sequencer cannot be opened"), std::string::npos);
}

}  // namespace
}  // namespace kelvara::midi
