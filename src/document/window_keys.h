#pragma once
// WindowKeys: the keys a window plays itself (the computer keyboard), played the way a MIDI
// keyboard's are. A press or a release becomes the note message a keyboard sends and goes
// through a packet handler of its own, on the player, the chord lookup and the last-played key
// the MIDI input plays on: a key plays the chord map's chord for it or, while a scale is set,
// its one tone of that scale. The keys held are kept, so that all of them can be let go at
// once (the window lost the focus, the keys were switched off or to the other choice).
//
// Threads: the user-interface thread only. The player is the one the MIDI receive thread
// also plays on; both reach the synthesizer through its one ordered queue.
#include <bitset>
#include <memory>
#include <optional>

#include "midi/chord_lookup.h"
#include "midi/last_played_key.h"
#include "midi/midi_packet_handler.h"
#include "midi/note_player.h"
#include "scales/keyboard_mapping.h"

namespace kelvara {

class WindowKeys {
public:
    // All three must outlive the keys.
    WindowKeys(midi::NotePlayer& player, const midi::ChordLookup& chords,
               midi::LastPlayedKey& last_played);
    WindowKeys(const WindowKeys&) = delete;
    WindowKeys& operator=(const WindowKeys&) = delete;

    // A key struck or let go; a key outside 0..127 is ignored, and so is a press of a key
    // held already (the keyboard's own repeat).
    void press(int key);
    void release(int key);
    void release_all();
    // Later keys play the scale laid on the keys (`keys`), or the chord map (nothing); the
    // keys held are let go first.
    void play_scale(std::optional<KeyFrequencies> keys);
    bool is_held(int key) const { return key >= 0 && key < kKeys && held_[size_t(key)]; }
    bool any_held() const { return held_.any(); }

private:
    static constexpr int kKeys = 128;
    // The chord map's lookup, or the scale's while one is set.
    class Lookup final : public midi::ChordLookup {
    public:
        explicit Lookup(const midi::ChordLookup& chords) : chords_(chords) {}
        std::shared_ptr<const midi::Chord> chord_for_key(int key) const override;
        void set_scale(std::unique_ptr<const midi::ChordLookup> scale) {
            scale_ = std::move(scale);
        }

    private:
        const midi::ChordLookup& chords_;
        std::unique_ptr<const midi::ChordLookup> scale_;
    };
    void send(uint8_t status, int key);

    Lookup lookup_;
    midi::MidiPacketHandler handler_;
    std::bitset<kKeys> held_;
};

}  // namespace kelvara
