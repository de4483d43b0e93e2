#pragma once
// Standard MIDI Files (format 0, 1 or 2) read into tracks of timed events and written back.
// Times are absolute ticks of the file's division, kept as it was (ticks per quarter note, or
// the SMPTE form). An event is what the file held: a channel message with its status byte
// (running status expanded), a system-exclusive message as F0 ... F7 (or an F7 escape as F7
// and its bytes), or a meta event as FF, type, data. Unknown chunks are skipped, as the
// format asks. Pure functions; any thread.
//
//   auto file = parse_standard_midi_file(bytes);  // or the refusal, with the byte offset
//   file->tracks[0].events[0]                      // {tick 0, {0xFF, 0x51, 0x07, 0xA1, 0x20}}
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"

namespace kelvara {

inline constexpr size_t kMaxMidiFileBytes = 64u << 20;

struct MidiFileEvent {
    int64_t tick = 0;
    std::vector<uint8_t> bytes;

    friend bool operator==(const MidiFileEvent&, const MidiFileEvent&) = default;
};

struct StandardMidiFile {
    int32_t format = 1;
    uint16_t division = 480;  // as stored: ticks per quarter note, or the SMPTE form (bit 15)
    std::vector<std::vector<MidiFileEvent>> tracks;  // each in time order

    friend bool operator==(const StandardMidiFile&, const StandardMidiFile&) = default;
};

// The file, or a refusal that says what is wrong and at which byte: a missing header, a
// chunk or event that runs past the end, a variable-length number longer than four bytes, a
// data byte with no status to run on.
Result<StandardMidiFile> parse_standard_midi_file(std::span<const uint8_t> bytes);

// The file's bytes: every event as stored (no running status), each track ended by one
// end-of-track meta event at its last event's tick.
std::vector<uint8_t> write_standard_midi_file(const StandardMidiFile& file);

// Seconds from the start at a tick: the file's tempo changes (meta 51, in any track; 120
// quarter notes a minute until the first) over ticks per quarter note, or frames of the SMPTE
// division (29 frames a second meaning 29.97).
class MidiFileClock {
public:
    explicit MidiFileClock(const StandardMidiFile& file);
    double seconds_at(int64_t tick) const;

private:
    struct TempoChange {
        int64_t tick;
        double seconds;           // at that tick
        double seconds_per_tick;  // from it on
    };
    std::vector<TempoChange> changes_;  // the first at tick 0
};

// An event's kind, by its first byte.
inline bool is_channel_message(const MidiFileEvent& e) {
    return !e.bytes.empty() && e.bytes[0] >= 0x80 && e.bytes[0] < 0xF0;
}
inline bool is_meta_event(const MidiFileEvent& e) {
    return e.bytes.size() >= 2 && e.bytes[0] == 0xFF;
}

}  // namespace kelvara
