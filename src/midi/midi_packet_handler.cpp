#include "midi/midi_packet_handler.h"

#include "midi/midi_message.h"
#include "midi/midi_packet_list.h"

namespace kelvara::midi {

MidiPacketHandler::MidiPacketHandler(NotePlayer& player, const ChordLookup& chords,
                                     LastPlayedKey& last_played)
    : player_(player), chords_(chords), last_played_(last_played) {}

void MidiPacketHandler::handle_packet_list(const uint8_t* packet_list, size_t size) {
    for_each_midi_packet(packet_list, size,
                         [this](const MidiPacket& packet) { handle_message(packet.data); });
}

void MidiPacketHandler::handle_message(std::span<const uint8_t> message) {
    if (message.size() != kChannelMessageBytes) return;  // see the header
    // The channel (low four bits) is ignored: all sixteen channels play alike.
    switch (message[0] & 0xF0) {
        case kNoteOnStatus: note_on(message[1], message[2]); break;
        case kNoteOffStatus: note_off(message[1]); break;
        case kControlChangeStatus: player_.set_midi_parameter(message[1], message[2]); break;
        default: break;
    }
}

void MidiPacketHandler::note_on(uint8_t key, uint8_t velocity) {
    last_played_.store(key);
    // Looked up once: mapped-ness and chord come from the same state of the map, and the
    // chord is the one mapped at the moment of the note-on.
    const std::shared_ptr<const Chord> chord = chords_.chord_for_key(key);
    if (!chord) return;
    if (velocity == 0) {  // a note-on with velocity 0 is a note-off
        stop_notes_of(key);
        return;
    }
    // A key struck again never leaves its earlier notes hanging.
    stop_notes_of(key);
    keys_down_[key] = player_.notes_on(*chord, static_cast<float>(velocity));
}

void MidiPacketHandler::note_off(uint8_t key) {
    if (!chords_.chord_for_key(key)) return;  // no longer mapped: its notes keep sounding
    stop_notes_of(key);
}

void MidiPacketHandler::stop_notes_of(uint8_t key) {
    if (keys_down_[key]) player_.notes_off(*keys_down_[key]);
}

void handle_packet_list_callback(const uint8_t* packet_list, size_t size, void* deliver_context) {
    static_cast<MidiPacketHandler*>(deliver_context)->handle_packet_list(packet_list, size);
}

}  // namespace kelvara::midi
