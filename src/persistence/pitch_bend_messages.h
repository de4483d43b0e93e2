#pragma once
// The messages that tune a note on a synthesizer without the MIDI Tuning Standard: the note
// nearest the frequency, bent by the channel's pitch wheel the rest of the way. The bend's
// range is set by registered parameter 0 (the pitch-bend sensitivity) on each channel before
// the first note. Bytes only; channels are numbered 1 to 16, as musicians number them. Pure
// functions; any thread.
//
//   bent_note(450.0, 2)  -> key 69 (440 Hz), bend 8192 + 38.9 cents of 200 -> 9786
#include <cstdint>
#include <optional>
#include <vector>

namespace kelvara {

inline constexpr int32_t kDefaultBendRangeSemitones = 2;
inline constexpr int32_t kMaxBendRangeSemitones = 24;
inline constexpr int32_t kBendCentre = 8192;

struct BentNote {
    uint8_t key = 69;             // the equal-tempered key nearest the frequency (69 = 440 Hz)
    uint16_t bend = kBendCentre;  // 0..16383; the centre plays the key itself
};

using MidiBytes = std::vector<uint8_t>;

// The key and bend that sound `frequency_hz` with a bend range of `range_semitones` either
// way. Nothing for a frequency that is not finite and above 0, one whose nearest key lies
// outside 0..127, or a range outside 1..kMaxBendRangeSemitones.
std::optional<BentNote> bent_note(double frequency_hz, int32_t range_semitones);

// The bend that moves `key` to `frequency_hz` at that range, held to the wheel's ends: how a
// sounding note is retuned without a new note-on.
uint16_t bend_for_key(uint8_t key, double frequency_hz, int32_t range_semitones);

// The frequency a bent note sounds at that range (for checks and tests).
double frequency_of_bent_note(const BentNote& note, int32_t range_semitones);

// Registered parameter 0 set to `range_semitones` and 0 cents, then the null parameter
// (7F 7F) so that later data entry changes nothing: six control changes on `channel`.
std::vector<MidiBytes> bend_range_messages(int32_t channel, int32_t range_semitones);

MidiBytes pitch_bend_message(int32_t channel, uint16_t bend);
MidiBytes note_on_message(int32_t channel, uint8_t key, uint8_t velocity);
MidiBytes note_off_message(int32_t channel, uint8_t key);

}  // namespace kelvara
