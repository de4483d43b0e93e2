// Pitch-bend channels as the synthesizer receives them (the port in memory; through a real
// JACK server: tests/cli): the bend range on every channel, a three-note chord on three
// channels with each bend before its note-on, a sounding note retuned by its bend alone, the
// channel order after a release, and a chord too large refused with nothing sent.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/pitch_bend_player.h"
#include "engine/equal_temperament.h"
#include "support/recording_midi_output.h"

namespace kelvara {
namespace {

using Messages = std::vector<std::vector<uint8_t>>;

// The frequency a channel's bend and note say, read from the bytes alone (range 2).
double sounded_hz(const std::vector<uint8_t>& bend, const std::vector<uint8_t>& note_on) {
    const int value = bend[1] | (bend[2] << 7);
    return 440.0 * std::exp2((note_on[1] + (value - 8192) / 8192.0 * 2.0 - 69.0) / 12.0);
}

TEST(PitchBendChannels, EachNoteOnAChannelOfItsOwnBentBeforeItStarts) {
    auto record = std::make_shared<testing::RecordedMidiOutput>();
    record->listed = {{"20:0", "Synth input port", "FLUID Synth"}};
    midi::MidiOutput output(std::make_unique<testing::RecordingMidiOutputClient>(record));
    ASSERT_TRUE(output.connect_destination(0));
    const auto take = [&] { return std::exchange(record->sent, {}); };
    std::vector<std::string> refusals;
    PitchBendPlayer player(output, {}, [&](const std::string& why) { refusals.push_back(why); });

    // Registered parameter 0 = 2 semitones, 0 cents, the null parameter, a centred bend: on
    // each of channels 2 to 16.
    ASSERT_TRUE(player.send_bend_ranges());
    const Messages ranges = take();
    ASSERT_EQ(ranges.size(), 15u * 7);
    for (int channel = 2; channel <= 16; ++channel) {
        const uint8_t cc = 0xB0 | (channel - 1);
        const Messages expected{{cc, 101, 0},
                                {cc, 100, 0},
                                {cc, 6, 2},
                                {cc, 38, 0},
                                {cc, 101, 127},
                                {cc, 100, 127},
                                {static_cast<uint8_t>(0xE0 | (channel - 1)), 0x00, 0x40}};
        EXPECT_EQ(Messages(ranges.begin() + (channel - 2) * 7, ranges.begin() + (channel - 1) * 7),
                  expected)
            << "channel " << channel;
    }

    // C, E and G of a just major triad: channels 2, 3, 4, bend then note-on for each.
    const std::vector<float> triad{261.63f, 261.63f * 1.25f, 261.63f * 1.5f};
    const midi::NoteInstances held = player.notes_on(triad, 100.0f);
    const Messages chord = take();
    ASSERT_EQ(chord.size(), 6u);
    // 261.63 Hz is 0.017 cent above key 60 (bend 8193), 5/4 above it 13.7 cents below key 64
    // (7633), 3/2 1.97 cents above key 67 (8273).
    const Messages expected_bytes{{0xE1, 0x01, 0x40}, {0x91, 60, 100},    {0xE2, 0x51, 0x3B},
                                  {0x92, 64, 100},    {0xE3, 0x51, 0x40}, {0x93, 67, 100}};
    EXPECT_EQ(chord, expected_bytes);
    for (size_t i = 0; i < triad.size(); ++i)
        EXPECT_NEAR(cents_between(triad[i], sounded_hz(chord[2 * i], chord[2 * i + 1])), 0.0, 0.025)
            << "tone " << i;

    // Adaptive tuning moves the sounding E to 5/4 exactly: one new bend on its own channel.
    const double just_e = 261.63 * 1.25;
    player.retune(held[1], float(just_e * std::exp2(0.3 / 1200.0)));
    player.retune(held[1], float(just_e));
    const Messages retuned = take();
    ASSERT_EQ(retuned.size(), 2u);
    EXPECT_EQ(retuned[1][0], 0xE2);
    EXPECT_NEAR(cents_between(just_e, sounded_hz(retuned[1], chord[3])), 0.0, 0.025);

    // Released, they go to the back of the line: the next note takes channel 5.
    player.notes_off(held);
    EXPECT_EQ(take(), (Messages{{0x81, 60, 0}, {0x82, 64, 0}, {0x83, 67, 0}}));
    const midi::NoteInstances next = player.notes_on({440.0f}, 64.0f);
    EXPECT_EQ(take(), (Messages{{0xE4, 0x00, 0x40}, {0x94, 69, 64}}));

    // Fifteen channels, one sounding: a chord of fifteen is refused whole, nothing sent; the
    // note that follows is the next thing the synthesizer hears.
    EXPECT_TRUE(player.notes_on(std::vector<float>(15, 330.0f), 90.0f).empty());
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_NE(refusals[0].find("A chord of 15 notes"), std::string::npos) << refusals[0];
    EXPECT_NE(refusals[0].find("14 of channels 2\u201316 are free"), std::string::npos)
        << refusals[0];
    player.notes_off(next);
    EXPECT_EQ(take(), (Messages{{0x84, 69, 0}}));
}

}  // namespace
}  // namespace kelvara
