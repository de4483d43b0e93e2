#pragma once
// Turns incoming packet lists into sound. A three-byte note-on of a mapped key starts the
// key's chord and remembers the notes under the key; the matching note-off stops exactly
// those notes; control changes pass through to the synthesizer. Everything else (one- and
// two-byte messages, running status, several messages in one packet, system-exclusive data,
// damaged lists) is skipped without a report.
//
// Threads: one thread only calls a handler (the MIDI input's: its receive thread, one list
// at a time); the keys-down table is touched by nothing else. The player, the chord lookup and the
// last-played key must outlive the handler (MidiInput encodes that order).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "midi/chord_lookup.h"
#include "midi/last_played_key.h"
#include "midi/note_player.h"

namespace kelvara::midi {

class MidiPacketHandler {
public:
    MidiPacketHandler(NotePlayer& player, const ChordLookup& chords, LastPlayedKey& last_played);
    MidiPacketHandler(const MidiPacketHandler&) = delete;
    MidiPacketHandler& operator=(const MidiPacketHandler&) = delete;

    // Handles every packet of the list (layout in midi_packet_list.h) in order; never reads
    // past `size`.
    void handle_packet_list(const uint8_t* packet_list, size_t size);
    // One message, as a packet of a list would hold it (the window's own keys send theirs
    // here, on the user-interface thread, to a handler of their own).
    void handle_message(std::span<const uint8_t> message);

    // The notes started by the key's last note-on, or nothing before its first one. Entries
    // stay after the note-off. For tests, on the receive thread or after delivery ended.
    const std::optional<NoteInstances>& keys_down(uint8_t key) const { return keys_down_[key]; }

private:
    void note_on(uint8_t key, uint8_t velocity);
    void note_off(uint8_t key);
    void stop_notes_of(uint8_t key);

    NotePlayer& player_;
    const ChordLookup& chords_;
    LastPlayedKey& last_played_;
    // Indexed by the key byte as received (a damaged message may carry 128 to 255); a table
    // rather than a map, so no node is allocated on the receive thread.
    std::array<std::optional<NoteInstances>, 256> keys_down_;
};

// The receive callback to register with the input port: `deliver_context` is the handler.
void handle_packet_list_callback(const uint8_t* packet_list, size_t size, void* deliver_context);

}  // namespace kelvara::midi
