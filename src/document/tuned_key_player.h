#pragma once
// Plays chords on a synthesizer outside Kelvara that holds the document's tuning (the bulk
// dump MidiTuningSender sends): each tone on the key whose tuned frequency lies nearest, on
// channel 1. The scale on the keys plays exactly; a chord tone between the scale's steps plays
// at the nearest step. Also the lookup that makes a key play its own tuned frequency, so the
// scale on the keys plays through either player.
//
// Threads: notes_on and notes_off on the MIDI receive thread; one lock orders every send.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "midi/chord_lookup.h"
#include "midi/midi_output.h"
#include "midi/note_player.h"
#include "scales/keyboard_mapping.h"

namespace kelvara {

class TunedKeyPlayer final : public midi::NotePlayer {
public:
    // `output` must outlive the player.
    TunedKeyPlayer(midi::MidiOutput& output, const KeyFrequencies& keys);

    midi::NoteInstances notes_on(const midi::Chord& chord, float velocity) override;
    void notes_off(const midi::NoteInstances& notes) override;
    void set_midi_parameter(uint32_t controller, uint32_t value) override;
    // A real-time single-note tuning change of the note's key; the key's own tuning comes
    // back when the note is let go.
    void retune(int32_t instance, float hz) override;

    // The key whose frequency lies nearest `hz` in cents; nothing when no key has one.
    std::optional<uint8_t> nearest_key(double hz) const;

private:
    midi::MidiOutput& output_;
    const KeyFrequencies keys_;
    std::mutex mutex_;
    std::map<int32_t, uint8_t> sounding_;  // key by instance; guarded by mutex_
    std::set<int32_t> retuned_;            // instances; guarded by mutex_
    void send_key_tuning(uint8_t key, double hz);
    int32_t next_instance_ = 1;  // guarded by mutex_
};

// Key k plays the one frequency the tuning gives it; a key without one plays nothing.
class TunedKeyLookup final : public midi::ChordLookup {
public:
    explicit TunedKeyLookup(const KeyFrequencies& keys);
    std::shared_ptr<const midi::Chord> chord_for_key(int key) const override;

private:
    std::array<std::shared_ptr<const midi::Chord>, kHighestMidiKey + 1> chords_;
};

}  // namespace kelvara
