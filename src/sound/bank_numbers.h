#pragma once
// How bank-select values, preset bank numbers and instrument identifiers relate.
//
// The program list names every instrument by an identifier that packs the bank-select MSB
// into bits 16-22, the LSB into bits 8-14 and the program into bits 0-6. Selecting an item
// sends exactly those three values, and the engine looks them up again in the list, so the
// numbering a loader uses internally never reaches the user.
#include <cstdint>

namespace kelvara::sound {

struct MidiBank {
    int msb = 0;
    int lsb = 0;
    bool percussion = false;

    friend bool operator==(const MidiBank&, const MidiBank&) = default;
};

struct InstrumentLocation {
    MidiBank bank;
    int program = 0;
};

// Percussion instruments are offered under bank-select MSB 120, the General MIDI 2 rhythm
// bank, because the MSB/LSB pair has no separate drum flag.
inline constexpr int kPercussionMsb = 120;
// The flag the exact-pitch loader adds to a percussion preset's bank number.
inline constexpr int kPercussionBankFlag = 1 << 14;
// SoundFont 2 stores percussion presets in bank 128.
inline constexpr int kSf2PercussionBank = 128;

// Bank numbers of the exact-pitch loader: MSB·128 + LSB, plus kPercussionBankFlag for drums.
// (FluidSynth's own DLS reader uses MSB·256 + LSB, which bank-select messages cannot reach.)
constexpr int exact_bank_number(MidiBank bank) {
    return ((bank.msb & 0x7F) << 7 | (bank.lsb & 0x7F)) |
           (bank.percussion ? kPercussionBankFlag : 0);
}
constexpr MidiBank decode_exact_bank(int number) {
    return {(number >> 7) & 0x7F, number & 0x7F, (number & kPercussionBankFlag) != 0};
}

// A SoundFont 2 bank number (as stored in the file, and as FluidSynth's own loaders report
// it): the MSB, with 128 for percussion.
constexpr MidiBank sf2_bank(int number) {
    if (number == kSf2PercussionBank) return {0, 0, true};
    return {number & 0x7F, 0, false};
}

constexpr uint32_t instrument_identifier(InstrumentLocation where) {
    const uint32_t msb = where.bank.percussion ? kPercussionMsb : uint32_t(where.bank.msb & 0x7F);
    return msb << 16 | uint32_t(where.bank.lsb & 0x7F) << 8 | uint32_t(where.program & 0x7F);
}

// The three values selecting an instrument sends: CC 0, CC 32 and the program change.
struct BankSelect {
    int msb = 0;
    int lsb = 0;
    int program = 0;

    friend bool operator==(const BankSelect&, const BankSelect&) = default;
};

constexpr BankSelect decode_instrument_identifier(uint32_t identifier) {
    return {int(identifier >> 16 & 0x7F), int(identifier >> 8 & 0x7F), int(identifier & 0x7F)};
}

}  // namespace kelvara::sound
