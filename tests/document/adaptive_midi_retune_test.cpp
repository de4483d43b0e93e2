// A MIDI file retuned as it plays: C, E and G pressed in turn and C let go first, with six
// equal harmonics. The tuning changes before each note-on (or the bends of each note's own
// channel) carry the adapted pitches of every note then held: 5/4 for E over C, 4:5:6 for
// the triad, and, once C is let go, E at its key's pitch with G a just minor third above.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "document/adaptive_midi_retune.h"
#include "engine/curve_definition.h"
#include "engine/equal_temperament.h"
#include "persistence/mts_sysex.h"
#include "persistence/pitch_bend_messages.h"

namespace kelvara {
namespace {

double cents(double ratio) {
    return cents_between(1.0, ratio);
}

StandardMidiFile triad_file() {
    StandardMidiFile file;
    file.tracks = {{{0, {0xFF, 0x51, 0x07, 0xA1, 0x20}}},
                   {{0, {0xC0, 0x00}},
                    {0, {0x90, 60, 80}},
                    {10, {0x90, 64, 80}},
                    {20, {0xE0, 0x00, 0x50}},  // a bend of the player's own
                    {20, {0x90, 67, 80}},
                    {20, {0x99, 36, 100}},  // a drum
                    {30, {0x80, 60, 0}},
                    {40, {0x90, 64, 0}},
                    {40, {0x80, 67, 0}}}};
    return file;
}

// The pitch each key sounds at after the events up to `tick`, from the file's messages.
using Pitches = std::map<int, double>;

Pitches tuned_pitches(const StandardMidiFile& out, int64_t tick) {
    Pitches hz;
    for (const MidiFileEvent& e : out.tracks[0]) {
        if (e.tick > tick || e.bytes[0] != 0xF0) continue;
        // F0 7F 7F 08 02 <program> <count> (key, word)... F7
        for (size_t at = 7; at + 3 < e.bytes.size(); at += 4)
            hz[e.bytes[at]] =
                *frequency_of_mts_word({e.bytes[at + 1], e.bytes[at + 2], e.bytes[at + 3]});
    }
    return hz;
}

const std::vector<Partial> kSixEqual = harmonic_partials(FlatHarmonics, 6);

TEST(AdaptiveMidiRetune, TuningChangesCarryTheAdaptedPitchesOfEveryHeldNote) {
    const auto retuned = retune_midi_file(triad_file(), kSixEqual, RoughnessModel::Product, {});
    ASSERT_TRUE(retuned) << retuned.error().reason;
    const StandardMidiFile& out = retuned->file;
    EXPECT_EQ(retuned->summary.notes, 3);  // the drum is not retuned
    const struct {
        int64_t tick;
        Pitches cents_from_c;  // of each held key from C4's key pitch
    } steps[] = {
        {20, {{60, 0.0}, {64, cents(1.25)}, {67, cents(1.5)}}},
        {30, {{64, 400.0}, {67, 400.0 + cents(1.2)}}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.tick);
        const Pitches hz = tuned_pitches(out, step.tick);
        for (const auto& [key, c] : step.cents_from_c)
            EXPECT_NEAR(cents(hz.at(key) / equal_tempered_hz(60)), c, 0.01) << key;
    }
    // Each change comes before its note-on, and every melodic channel used selected the
    // tuning first; the drum, the player's bend and the note-offs pass as they were.
    const auto index_of = [&](const std::vector<uint8_t>& bytes) {
        for (size_t i = 0; i < out.tracks[0].size(); ++i)
            if (out.tracks[0][i].bytes == bytes) return i;
        return out.tracks[0].size();
    };
    EXPECT_LT(index_of({0xB0, 0x64, 0x03}), index_of({0x90, 60, 80}));
    EXPECT_LT(index_of({0x99, 36, 100}), out.tracks[0].size());
    EXPECT_LT(index_of({0xE0, 0x00, 0x50}), out.tracks[0].size());
    EXPECT_EQ(index_of({0xB9, 0x64, 0x03}), out.tracks[0].size());
}

TEST(AdaptiveMidiRetune, BendChannelsGiveEachNoteItsOwnChannelAndBend) {
    MidiRetuneSettings settings;
    settings.output = RetuneOutput::BendChannels;
    const auto retuned =
        retune_midi_file(triad_file(), kSixEqual, RoughnessModel::Product, settings);
    ASSERT_TRUE(retuned);
    std::map<int, int> channel_of_key;  // from the note-ons
    std::map<int, uint16_t> bend_of_channel;
    std::map<int, double> sounding_at_g;  // cents of each key from C4 when G starts
    for (const MidiFileEvent& e : retuned->file.tracks[0]) {
        const int kind = e.bytes[0] & 0xF0, channel = (e.bytes[0] & 0x0F) + 1;
        if (kind == 0xE0) bend_of_channel[channel] = uint16_t(e.bytes[1] | e.bytes[2] << 7);
        if (kind == 0x90 && e.bytes[2] > 0 && channel != 10) {
            channel_of_key[e.bytes[1]] = channel;
            if (e.bytes[1] == 67)
                for (const auto& [key, c] : channel_of_key)
                    sounding_at_g[key] =
                        cents(frequency_of_bent_note({uint8_t(key), bend_of_channel[c]}, 2) /
                              equal_tempered_hz(60));
        }
        EXPECT_NE(e.bytes, (std::vector<uint8_t>{0xE0, 0x00, 0x50}));  // the player's bend goes
    }
    EXPECT_EQ(channel_of_key, (std::map<int, int>{{60, 2}, {64, 3}, {67, 4}}));
    EXPECT_NEAR(sounding_at_g[64], cents(1.25), 0.05);
    EXPECT_NEAR(sounding_at_g[67], cents(1.5), 0.05);

    settings.bend_range_semitones = 25;
    EXPECT_FALSE(retune_midi_file(triad_file(), kSixEqual, RoughnessModel::Product, settings));
}

}  // namespace
}  // namespace kelvara
