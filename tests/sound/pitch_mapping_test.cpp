#include "sound/pitch_mapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sound/bank_numbers.h"
#include "sound/synth_controller.h"

namespace kelvara::sound {
namespace {

TEST(PitchMapping, SemitoneFrequenciesGiveWholeNotes) {
    for (auto [hz, note] : {std::pair{440.0f, 69.0f},
                            {220.0f, 57.0f},
                            {880.0f, 81.0f},
                            {110.0f, 45.0f},
                            {27.5f, 21.0f}})
        EXPECT_NEAR(frac_midi_note_for_freq(hz), note, 1e-4) << hz;
    float fraction = -1.0f;
    EXPECT_EQ(midi_note_for_freq(440.0f, &fraction), 69.0f);
    EXPECT_EQ(fraction, 0.0f);
}

TEST(PitchMapping, FractionIsLinearInHertzBetweenNeighbours) {
    float fraction = 0.0f;
    EXPECT_EQ(midi_note_for_freq(452.893f, &fraction), 69.0f);
    EXPECT_NEAR(fraction, 0.4928f, 1e-4);
    // Below the exact logarithmic pitch between semitones: 72.8631 for 550 Hz.
    EXPECT_NEAR(frac_midi_note_for_freq(550.0f), 72.8597f, 1e-4);
    EXPECT_NEAR(frac_midi_note_for_freq(660.0f), 76.0190f, 1e-4);
    EXPECT_NEAR(frac_midi_note_for_freq(273.9f), 60.789f, 1e-3);
    EXPECT_NEAR(frac_midi_note_for_freq(328.68f), 63.949f, 1e-3);
    EXPECT_NEAR(frac_midi_note_for_freq(277.2f), 61.001f, 1e-3);
    EXPECT_NEAR(frac_midi_note_for_freq(329.56f), 63.996f, 1e-3);
}

TEST(PitchMapping, FloorRoundsTowardMinusInfinityAndNothingIsClamped) {
    EXPECT_EQ(midi_note_for_freq(439.9f), 68.0f);
    EXPECT_LT(frac_midi_note_for_freq(4.0f), 0.0f);
    EXPECT_GT(frac_midi_note_for_freq(20000.0f), 127.0f);
    EXPECT_EQ(midi_note_for_freq(452.893f), 69.0f);
}

TEST(PitchMapping, OnlyPlayableFrequenciesReachTheSynthesizer) {
    for (float bad : {0.0f, -1.0f, std::nanf(""), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()})
        EXPECT_FALSE(playable_pitch_for_freq(bad).has_value()) << bad;
    EXPECT_NEAR(*playable_pitch_for_freq(452.893f), 69.4928f, 1e-4);
    // Far outside the MIDI range is still a finite pitch; the synthesizer clamps the key.
    EXPECT_TRUE(playable_pitch_for_freq(1e-3f).has_value());
    EXPECT_TRUE(playable_pitch_for_freq(std::numeric_limits<float>::max()).has_value());
}

TEST(BankNumbers, InstrumentIdentifiersPackMsbLsbAndProgram) {
    EXPECT_EQ(decode_instrument_identifier(0x00010005u), (BankSelect{1, 0, 5}));
    // Bits outside the three 7-bit fields are ignored.
    EXPECT_EQ(decode_instrument_identifier(0xFF80FF85u), (BankSelect{0, 0x7F, 5}));
    EXPECT_EQ(instrument_identifier({{1, 2, false}, 5}), 0x00010205u);
    EXPECT_EQ(instrument_identifier({{0, 0, true}, 3}), 0x00780003u);
}

TEST(BankNumbers, LoaderBankNumbersRoundTrip) {
    for (MidiBank bank : {MidiBank{0, 0, false}, MidiBank{1, 2, false}, MidiBank{127, 127, false},
                          MidiBank{0, 0, true}, MidiBank{3, 1, true}})
        EXPECT_EQ(decode_exact_bank(exact_bank_number(bank)), bank);
    EXPECT_EQ(sf2_bank(8), (MidiBank{8, 0, false}));
    EXPECT_EQ(sf2_bank(128), (MidiBank{0, 0, true}));
}

}  // namespace
}  // namespace kelvara::sound
