// The packet handler with a recording synthesizer: which messages play, what each note-on
// and note-off starts and stops, and that damaged lists are skipped without reading past
// their end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <random>

#include "midi/midi_packet_handler.h"
#include "midi/midi_packet_list.h"
#include "midi_fakes.h"

namespace kelvara::midi {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::MapChordLookup;
using testing::RecordingNotePlayer;
using Message = std::vector<uint8_t>;

std::vector<uint8_t> packet_list(std::initializer_list<Message> messages) {
    MidiPacketListWriter writer;
    for (const Message& m : messages) writer.add_message(0, m);
    return {writer.bytes().begin(), writer.bytes().end()};
}

class PacketHandlerTest : public ::testing::Test {
protected:
    PacketHandlerTest() {
        chords.chords[60] = {261.5f, 329.5f};
        chords.chords[62] = {293.5f};
    }
    void play(std::initializer_list<Message> messages) {
        const std::vector<uint8_t> list = packet_list(messages);
        handler.handle_packet_list(list.data(), list.size());
    }

    RecordingNotePlayer player;
    MapChordLookup chords;
    int notifications = 0;
    LastPlayedKey last_played{[this](int) { ++notifications; }};
    MidiPacketHandler handler{player, chords, last_played};
};

TEST_F(PacketHandlerTest, NoteOnStartsTheChordAndNoteOffStopsExactlyItsNotes) {
    play({{0x90, 60, 100}});
    play({{0x90, 62, 1}});
    play({{0x80, 60, 64}});
    EXPECT_THAT(player.calls(),
                ElementsAre("on 261.5 329.5 v100 -> 1 2", "on 293.5 v1 -> 3", "off 1 2"));
    EXPECT_EQ(last_played.value(), 62);
    EXPECT_EQ(notifications, 2);
}

TEST_F(PacketHandlerTest, PacketsOfOneListAreHandledInOrder) {
    play({{0x90, 60, 127}, {0xB0, 7, 100}, {0x80, 60, 0}});
    EXPECT_THAT(player.calls(), ElementsAre("on 261.5 329.5 v127 -> 1 2", "cc 7 100", "off 1 2"));
}

TEST_F(PacketHandlerTest, TheChannelIsIgnored) {
    play({{0x93, 60, 90}, {0x8F, 60, 0}, {0xB5, 7, 100}});
    EXPECT_THAT(player.calls(), ElementsAre("on 261.5 329.5 v90 -> 1 2", "off 1 2", "cc 7 100"));
}

TEST_F(PacketHandlerTest, ControlChangesPassThroughUnchanged) {
    // Limiting the value to 127 is the synthesizer wrapper's part.
    play({{0xB0, 64, 127}, {0xB9, 1, 0}, {0xB0, 7, 200}});
    EXPECT_THAT(player.calls(), ElementsAre("cc 64 127", "cc 1 0", "cc 7 200"));
}

TEST_F(PacketHandlerTest, UnmappedKeysShowAsLastPlayedButSoundNothing) {
    play({{0x90, 61, 100}, {0x80, 61, 0}, {0x90, 61, 0}});
    EXPECT_THAT(player.calls(), IsEmpty());
    EXPECT_EQ(last_played.value(), 61);
    EXPECT_EQ(notifications, 2);  // every note-on, velocity 0 too
    EXPECT_FALSE(handler.keys_down(61).has_value());
}

TEST_F(PacketHandlerTest, VelocityZeroIsANoteOffAndEntriesStayAfterNoteOff) {
    play({{0x90, 60, 100}, {0x90, 60, 0}});
    ASSERT_TRUE(handler.keys_down(60).has_value());
    EXPECT_THAT(*handler.keys_down(60), ElementsAre(1, 2));
    play({{0x80, 60, 0}});  // a second note-off stops the same notes again
    EXPECT_THAT(player.calls(), ElementsAre("on 261.5 329.5 v100 -> 1 2", "off 1 2", "off 1 2"));
    EXPECT_EQ(last_played.value(), 60);
}

TEST_F(PacketHandlerTest, NoteOffBeforeAnyNoteOnStopsNothing) {
    play({{0x80, 60, 0}, {0x90, 62, 0}});
    EXPECT_THAT(player.calls(), IsEmpty());
}

TEST_F(PacketHandlerTest, AKeyStruckAgainStopsItsEarlierNotesFirst) {
    play({{0x90, 60, 100}, {0x90, 60, 50}});
    EXPECT_THAT(player.calls(),
                ElementsAre("on 261.5 329.5 v100 -> 1 2", "off 1 2", "on 261.5 329.5 v50 -> 3 4"));
    EXPECT_THAT(*handler.keys_down(60), ElementsAre(3, 4));
}

TEST_F(PacketHandlerTest, AChordEditedWhileHeldChangesNothingUntilStruckAgain) {
    play({{0x90, 60, 100}});
    chords.chords[60] = {100.0f};
    play({{0x80, 60, 0}, {0x90, 60, 100}});
    EXPECT_THAT(player.calls(), ElementsAre("on 261.5 329.5 v100 -> 1 2", "off 1 2", "off 1 2",
                                            "on 100 v100 -> 3"));
}

TEST_F(PacketHandlerTest, AHeldKeyWhoseMappingIsRemovedKeepsSoundingUntilMappedAndStruck) {
    play({{0x90, 60, 100}});
    chords.chords.erase(60);
    play({{0x80, 60, 0}});
    EXPECT_THAT(player.calls(), ElementsAre("on 261.5 329.5 v100 -> 1 2"));
    chords.chords[60] = {440.0f};
    play({{0x90, 60, 80}});
    EXPECT_THAT(player.calls(),
                ElementsAre("on 261.5 329.5 v100 -> 1 2", "off 1 2", "on 440 v80 -> 3"));
}

TEST_F(PacketHandlerTest, AMappedKeyWithoutTonesStoresAnEmptyList) {
    chords.chords[64] = {};
    play({{0x90, 64, 100}, {0x80, 64, 0}});
    EXPECT_THAT(player.calls(), ElementsAre("on v100 ->", "off"));
    ASSERT_TRUE(handler.keys_down(64).has_value());
    EXPECT_THAT(*handler.keys_down(64), IsEmpty());
}

TEST_F(PacketHandlerTest, OnlyCompleteThreeByteChannelMessagesPlay) {
    play({
        {},                              // empty packet
        {0x90},                          // status alone
        {0xC0, 5},                       // program change
        {60, 100},                       // running status after a note-on
        {0x90, 60, 100, 0x90, 62, 100},  // two note-ons in one packet
        {0x90, 60, 100, 0x80},           // a note-on with a trailing byte
        {0xF0, 0x7E, 0xF7},              // three bytes of system-exclusive data
        {0xE0, 0x00, 0x40},              // pitch bend
        {0xA0, 60, 30},                  // polyphonic pressure
        {0xD0, 30, 0},                   // channel pressure with a stray byte
        {0x3C, 0x64, 0x00},              // data bytes without a status
    });
    EXPECT_THAT(player.calls(), IsEmpty());
    EXPECT_FALSE(last_played.value().has_value());
}

TEST_F(PacketHandlerTest, LongSystemExclusiveDataIsSkippedAndLaterPacketsStillPlay) {
    Message sysex(600, 0x11);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    play({sysex, {0x90, 62, 100}});
    EXPECT_THAT(player.calls(), ElementsAre("on 293.5 v100 -> 1"));
}

TEST_F(PacketHandlerTest, AListWithoutPacketsDoesNothing) {
    play({});
    handler.handle_packet_list(nullptr, 0);
    const uint8_t three_bytes[3] = {1, 0, 0};
    handler.handle_packet_list(three_bytes, sizeof three_bytes);
    EXPECT_THAT(player.calls(), IsEmpty());
}

// Every cut of a valid list plays the packets that fit whole and nothing else. The copies
// are exactly as long as the cut, so reading past `size` shows under AddressSanitizer.
TEST_F(PacketHandlerTest, ATruncatedListPlaysOnlyItsCompletePackets) {
    const std::vector<uint8_t> full = packet_list({{0x90, 60, 100}, {0xB0, 7, 64}});
    const size_t first_packet_end = kPacketListHeaderBytes + kPacketHeaderBytes + 3;
    for (size_t cut = 0; cut < full.size(); ++cut) {
        RecordingNotePlayer cut_player;
        LastPlayedKey cut_key;
        MidiPacketHandler cut_handler(cut_player, chords, cut_key);
        const std::vector<uint8_t> copy(full.begin(), full.begin() + static_cast<long>(cut));
        cut_handler.handle_packet_list(copy.data(), copy.size());
        EXPECT_EQ(cut_player.calls().size(), cut >= first_packet_end ? 1u : 0u) << "cut " << cut;
    }
}

TEST_F(PacketHandlerTest, APacketCountLargerThanTheListEndsAtTheListsEnd) {
    std::vector<uint8_t> list = packet_list({{0x90, 60, 100}});
    list[0] = list[1] = list[2] = list[3] = 0xFF;  // 4 294 967 295 packets claimed
    handler.handle_packet_list(list.data(), list.size());
    EXPECT_THAT(player.calls(), ElementsAre("on 261.5 329.5 v100 -> 1 2"));
}

TEST_F(PacketHandlerTest, RandomBytesNeverCrashOrReadPastTheList) {
    std::mt19937 random(7);
    chords.chords[255] = {1.0f};
    for (int round = 0; round < 5000; ++round) {
        std::vector<uint8_t> bytes(random() % 64);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        // Keep the claimed count small half of the time, so packets are actually reached.
        if (bytes.size() >= 4 && round % 2 == 0) bytes[1] = bytes[2] = bytes[3] = 0;
        handler.handle_packet_list(bytes.data(), bytes.size());
    }
    SUCCEED();
}

TEST(PacketList, LongMessagesAreSplitIntoPacketsOfAtMost256Bytes) {
    Message sysex(600);
    for (size_t i = 0; i < sysex.size(); ++i) sysex[i] = static_cast<uint8_t>(i);
    MidiPacketListWriter writer;
    writer.add_message(42, sysex);
    writer.add_message(43, {});
    writer.add_message(44, Message{0x90, 60, 1});
    EXPECT_EQ(writer.packet_count(), 4u);

    std::vector<size_t> lengths;
    std::vector<uint64_t> stamps;
    Message joined;
    for_each_midi_packet(writer.data(), writer.size(), [&](const MidiPacket& p) {
        lengths.push_back(p.data.size());
        stamps.push_back(p.time_stamp);
        joined.insert(joined.end(), p.data.begin(), p.data.end());
    });
    EXPECT_THAT(lengths, ElementsAre(256u, 256u, 88u, 3u));
    EXPECT_THAT(stamps, ElementsAre(42u, 42u, 42u, 44u));
    joined.resize(600);
    EXPECT_EQ(joined, sysex);
}

TEST(LastPlayedKey, HoldsNothingBeforeTheFirstKeyAndNotifiesEachStoreWithItsKey) {
    std::vector<int> notified;
    LastPlayedKey key([&](int k) { notified.push_back(k); });
    EXPECT_FALSE(key.value().has_value());
    key.store(0);
    key.store(127);
    EXPECT_EQ(key.value(), 127);
    EXPECT_THAT(notified, ElementsAre(0, 127));
}

}  // namespace
}  // namespace kelvara::midi
