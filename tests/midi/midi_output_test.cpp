// The MIDI output without a system: which byte strings count as one complete message (what
// every port refuses), and the output a document sends through over an in-memory port: its
// pop-up titles, finding a destination by what a user types, one destination at a time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/midi_message.h"
#include "midi/midi_output.h"
#include "support/recording_midi_output.h"

namespace kelvara::midi {
namespace {

using ::testing::ElementsAre;

TEST(MidiMessage, OnlyOneCompleteMessageWithItsStatusByteIsSent) {
    std::vector<uint8_t> longest(kMaxMidiOutputMessageBytes, 0x11);
    longest.front() = 0xF0;
    longest.back() = 0xF7;
    std::vector<uint8_t> too_long = longest;
    too_long.insert(too_long.begin() + 1, 0x11);
    std::vector<std::vector<uint8_t>> complete = {
        {0x90, 60, 100}, {0xC3, 5},    {0xF0, 0x7E, 0x7F, 0x08, 0x01, 0xF7},
        {0xF0, 0xF7},    {0xF2, 1, 2}, {0xF8}};
    // Running status, a program change with two data bytes, an exclusive with a status byte
    // inside, a stray end, nothing, one byte too long.
    std::vector<std::vector<uint8_t>> incomplete = {
        {60, 100}, {0xC0, 5, 6}, {0xF0, 0x7E, 0x90, 0xF7}, {0xF7}};
    complete.push_back(longest);
    incomplete.insert(incomplete.end(), {{}, too_long});
    for (const auto& bytes : complete)
        EXPECT_TRUE(is_complete_midi_message(bytes)) << ::testing::PrintToString(bytes);
    for (const auto& bytes : incomplete)
        EXPECT_FALSE(is_complete_midi_message(bytes)) << ::testing::PrintToString(bytes);
}

class MidiOutputTest : public ::testing::Test {
protected:
    std::shared_ptr<testing::RecordedMidiOutput> record = [] {
        auto record = std::make_shared<testing::RecordedMidiOutput>();
        // {address, port name, device}
        record->listed = {{"20:0", "Synth input port", "FLUID Synth"},
                          {"24:0", "Port-0", "Midi Through"},
                          {"28:0", "Port-0", "Midi Through"},
                          {"32:1", "20:0", "Keys"}};
        return record;
    }();
    MidiOutput output{std::make_unique<testing::RecordingMidiOutputClient>(record)};
};

TEST_F(MidiOutputTest, TitlesTellDestinationsApartAndATypedNameFindsOne) {
    EXPECT_THAT(output.destination_titles(),
                ElementsAre("FLUID Synth:Synth input port", "Midi Through:Port-0 (24:0)",
                            "Midi Through:Port-0 (28:0)", "Keys:20:0"));
    struct Case {
        std::string typed;
        std::optional<size_t> found;
    };
    const Case cases[] = {
        {"FLUID Synth:Synth input port", 0},
        {"28:0", 2},
        {"Midi Through:Port-0", std::nullopt},  // two share it
        {"20:0", 0},                            // an address before another's port name
    };
    for (const Case& c : cases) EXPECT_EQ(output.find_destination(c.typed), c.found) << c.typed;
}

TEST_F(MidiOutputTest, SendsOnlyToTheOneDestinationConnected) {
    // (Sending with nothing connected and refusing an incomplete message: the JACK output's
    // test, through this same class.)
    EXPECT_EQ(record->ports_created, 0) << "no port until a destination is chosen";
    EXPECT_FALSE(output.connect_destination(4));

    ASSERT_TRUE(output.connect_destination(0));
    ASSERT_TRUE(output.connect_destination(0));  // again: connected again, not ended first
    ASSERT_TRUE(output.send(std::vector<uint8_t>{0x90, 60, 100}));
    ASSERT_TRUE(output.connect_destination(2));
    EXPECT_EQ(output.connected_destination()->address, "28:0");

    // A destination gone from the list stays connected until the user picks another.
    record->listed.erase(record->listed.begin() + 2);
    output.rescan_destinations();
    EXPECT_EQ(output.connected_destination()->address, "28:0");

    record->refuse_connections = true;
    EXPECT_FALSE(output.connect_destination(0));
    EXPECT_FALSE(output.connected_destination()) << "a refused connection leaves none";
    EXPECT_FALSE(output.send(std::vector<uint8_t>{0x90, 60, 0}));
    output.disconnect();
    EXPECT_THAT(record->connections, ElementsAre("connect 20:0", "connect 20:0", "disconnect 20:0",
                                                 "connect 28:0", "disconnect 28:0"));
    EXPECT_THAT(record->sent, ElementsAre(std::vector<uint8_t>{0x90, 60, 100}));
    EXPECT_EQ(record->ports_created, 1);
}

}  // namespace
}  // namespace kelvara::midi
