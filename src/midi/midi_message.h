#pragma once
// What a MIDI output sends: one complete message at a time, as the wire carries it. Pure
// functions; any thread.
#include <cstddef>
#include <cstdint>
#include <span>

namespace kelvara::midi {

// The status (high four bits) of the channel messages that play: the low four bits carry the
// channel.
inline constexpr uint8_t kNoteOffStatus = 0x80;
inline constexpr uint8_t kNoteOnStatus = 0x90;
inline constexpr uint8_t kControlChangeStatus = 0xB0;
// Note and control-change messages are three bytes: status, key or controller, value.
inline constexpr size_t kChannelMessageBytes = 3;

// The longest message an output sends: far above a tuning dump (408 bytes) and the longest
// single-note tuning change (264 bytes), and small enough that a queue holds many.
inline constexpr size_t kMaxMidiOutputMessageBytes = 4096;

// Whether `message` is exactly one complete MIDI message with its status byte:
//   a channel message (80..EF) with its one or two data bytes;
//   system exclusive: F0, data bytes, F7;
//   system common F1, F2, F3, F6 with their data bytes; real-time F8, FA..FC, FE, FF alone.
// Refused: an empty message, running status (no status byte), a data byte of 80 or above,
// a length that does not match the status, the undefined F4, F5, F9, FD, a lone F7, and
// anything longer than kMaxMidiOutputMessageBytes.
bool is_complete_midi_message(std::span<const uint8_t> message);

}  // namespace kelvara::midi
