#pragma once
// MIDI Tuning Standard messages: the bulk tuning dump a synthesizer stores as a tuning
// program (.syx files), and the real-time single-note tuning changes that retune keys while
// they play. Bytes only; sending them is the MIDI output's business. Pure functions; any
// thread.
//
// A frequency travels as three 7-bit bytes: the highest equal-tempered MIDI note not above
// it (note 69 = 440 Hz, 100 cents a note), then the part of a semitone above that note in
// 1/16384 steps (0.0061 cents), most significant 7 bits first. 440 Hz -> 45 00 00, a quarter
// tone above -> 45 40 00. The word 7F 7F 7F is reserved: "no change" for this key.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "scales/keyboard_mapping.h"

namespace kelvara {

using MtsFrequencyWord = std::array<uint8_t, 3>;
inline constexpr MtsFrequencyWord kMtsNoChange = {0x7F, 0x7F, 0x7F};

// The word of a frequency, the fraction rounded to the nearest step (a fraction that rounds
// up to a whole semitone gives the next note with fraction 0). kMtsNoChange for a frequency
// the format cannot hold: not finite or not above 0, below note 0 (8.1758 Hz), or above the
// highest word 7F 7F 7E (13289.656 Hz; the word above it is the reserved one).
MtsFrequencyWord mts_frequency_word(double frequency_hz);
// The frequency a word stands for; nothing for kMtsNoChange or a byte above 7F.
std::optional<double> frequency_of_mts_word(const MtsFrequencyWord& word);

// Where an MTS message goes: a device ID (7F: every device) and a tuning program, both 0..7F.
class MtsAddress {
public:
    // Nothing when either is above 0x7F.
    static std::optional<MtsAddress> make(int32_t device_id, int32_t program);
    // Device 7F, program 0.
    static MtsAddress all_devices() { return MtsAddress(0x7F, 0); }
    uint8_t device_id() const { return device_id_; }
    uint8_t program() const { return program_; }

private:
    MtsAddress(uint8_t device_id, uint8_t program) : device_id_(device_id), program_(program) {}
    uint8_t device_id_;
    uint8_t program_;
};

// A bulk tuning dump is always this long: F0 7E <device> 08 01 <program>, the name in 16
// bytes, three bytes for each of the 128 keys, the checksum, F7.
inline constexpr size_t kMtsBulkDumpBytes = 408;
inline constexpr size_t kMtsNameBytes = 16;

// The dump of a tuning program: each key's word from its frequency (kMtsNoChange for a key
// without one), the name as 16 ASCII bytes (cut after 16, padded with spaces; a byte outside
// printable ASCII becomes '?'), and the checksum: the exclusive-or of every byte from 7E to
// the last frequency byte, kept to 7 bits.
std::array<uint8_t, kMtsBulkDumpBytes> mts_bulk_dump(const MtsAddress& address,
                                                     std::string_view name,
                                                     const KeyFrequencies& key_frequencies_hz);

// The most key changes one single-note tuning message carries.
inline constexpr size_t kMaxMtsKeysPerMessage = 64;

struct MtsKeyChange {
    int32_t key = 0;  // 0..127; a change for any other key is left out
    double frequency_hz = 0.0;
};

// Real-time single-note tuning change messages for a list of changes, in order, at most
// kMaxMtsKeysPerMessage keys each: F0 7F <device> 08 02 <program> <count>, then for each
// change its key and word, F7. A frequency the format cannot hold is sent as kMtsNoChange
// (the key keeps its tuning). No message for an empty list.
std::vector<std::vector<uint8_t>> mts_single_note_changes(const MtsAddress& address,
                                                          std::span<const MtsKeyChange> changes);

}  // namespace kelvara
