// The packet handler with a recording synthesizer: which messages play, what each note-on
// and note-off starts and stops, and that damaged lists are skipped without reading past
// their end. Arbitrary bytes are the packet fuzzer's part; its seed corpus is replayed by
// midi_packet_fuzz_corpus_tests (tests/persistence/fuzz_corpus_test.cpp).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "midi/midi_packet_handler.h"
#include "midi/midi_packet_list.h"
#include "midi_fakes.h"

namespace kelvara::midi {
namespace {

using ::testing::IsEmpty;
using Message = std::vector<uint8_t>;
using Messages = std::vector<Message>;

std::vector<uint8_t> packet_list(const Messages& messages) {
    MidiPacketListWriter writer;
    for (const Message& m : messages) writer.add_message(0, m);
    return {writer.bytes().begin(), writer.bytes().end()};
}

struct Rig {
    Rig() {
        chords.chords[60] = {261.5f, 329.5f};
        chords.chords[62] = {293.5f};
    }
    void handle(const std::vector<uint8_t>& bytes) {
        handler.handle_packet_list(bytes.data(), bytes.size());
    }

    testing::RecordingNotePlayer player;
    testing::MapChordLookup chords;
    LastPlayedKey last_played;
    MidiPacketHandler handler{player, chords, last_played};
};

TEST(PacketHandler, NoteOnsStartChordsAndNoteOffsStopExactlyTheirNotes) {
    using Edit = std::function<void(size_t list, std::map<int, Chord> & chords)>;
    Message long_sysex(600, 0x11);
    long_sysex.front() = 0xF0;
    long_sysex.back() = 0xF7;
    const struct {
        const char* what;
        int last_played;              // stored by every note-on, velocity 0 too
        std::vector<Messages> lists;  // handled one after another
        std::vector<std::string> calls;
        Edit edit = nullptr;  // applied to the chord map before each list
    } cases[] = {
        {"a note-off stops the notes of its own key only",
         62,
         {{{0x90, 60, 100}}, {{0x90, 62, 1}}, {{0x80, 60, 64}}},
         {"on 261.5 329.5 v100 -> 1 2", "on 293.5 v1 -> 3", "off 1 2"}},
        {"one list in order, any channel, controller values passed on unchanged",
         60,
         {{{0x93, 60, 127}, {0xB5, 7, 200}, {0x8F, 60, 0}}},
         {"on 261.5 329.5 v127 -> 1 2", "cc 7 200", "off 1 2"}},
        {"velocity 0 is a note-off, and a second note-off stops the same notes again",
         60,
         {{{0x90, 60, 100}, {0x90, 60, 0}}, {{0x80, 60, 0}}},
         {"on 261.5 329.5 v100 -> 1 2", "off 1 2", "off 1 2"}},
        {"unmapped keys are shown but sound nothing", 61, {{{0x90, 61, 100}, {0x80, 61, 0}}}, {}},
        {"a chord edited while held changes nothing until struck again, which stops it first",
         60,
         {{{0x90, 60, 100}}, {{0x80, 60, 0}, {0x90, 60, 100}}},
         {"on 261.5 329.5 v100 -> 1 2", "off 1 2", "off 1 2", "on 100 v100 -> 3"},
         [](size_t list, auto& chords) {
             if (list == 1) chords[60] = {100.0f};
         }},
        {"a held key unmapped keeps sounding until mapped again and struck",
         60,
         {{{0x90, 60, 100}}, {{0x80, 60, 0}}, {{0x90, 60, 80}}},
         {"on 261.5 329.5 v100 -> 1 2", "off 1 2", "on 440 v80 -> 3"},
         [](size_t list, auto& chords) {
             if (list == 1) chords.erase(60);
             if (list == 2) chords[60] = {440.0f};
         }},
        {"only complete three-byte channel messages play",
         62,
         {{{},                              // empty packet
           {0x90},                          // status alone
           {60, 100},                       // running status after a note-on
           {0x90, 60, 100, 0x90, 62, 100},  // two note-ons in one packet
           {0x3C, 0x64, 0x00},              // data bytes without a status
           long_sysex,                      // split over three packets
           {0x90, 62, 100}}},
         {"on 293.5 v100 -> 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        for (size_t i = 0; i < c.lists.size(); ++i) {
            if (c.edit) c.edit(i, rig.chords.chords);
            rig.handle(packet_list(c.lists[i]));
        }
        EXPECT_EQ(rig.player.calls(), c.calls);
        EXPECT_EQ(rig.last_played.value(), c.last_played);
    }
}

// Every cut of a valid list plays the packets that fit whole and nothing else: a list whose
// count claims more packets than it holds ends at its end. The copies are exactly as long as
// the cut, so reading past the end shows under AddressSanitizer.
TEST(PacketHandler, ATruncatedListPlaysOnlyItsCompletePackets) {
    const std::vector<uint8_t> full = packet_list({{0x90, 60, 100}, {0xB0, 7, 64}});
    const size_t first_packet_end = kPacketListHeaderBytes + kPacketHeaderBytes + 3;
    for (size_t cut = 0; cut < full.size(); ++cut) {
        Rig rig;
        rig.handle({full.begin(), full.begin() + static_cast<long>(cut)});
        EXPECT_EQ(rig.player.calls().size(), cut >= first_packet_end ? 1u : 0u) << "cut " << cut;
    }
    Rig rig;
    rig.handler.handle_packet_list(nullptr, 0);
    EXPECT_THAT(rig.player.calls(), IsEmpty());
}

}  // namespace
}  // namespace kelvara::midi
