#pragma once
// The two sides the MIDI input plays between, as the packet handler sees them: the
// document's published chord map as its ChordLookup, and the synthesizer as its NotePlayer.
// InstrumentRig wires them; tests that watch the receive thread use them directly.
//
// Threads: both are called on the MIDI receive thread (the note player's
// set_midi_parameter also on the user-interface thread, for the volume).
#include <map>
#include <memory>
#include <mutex>

#include "midi/chord_lookup.h"
#include "midi/note_player.h"

namespace kelvara {

class PublishedChordMap;
class SynthController;

// Each lookup takes the state last published, whole; the chord it returns keeps that state
// alive while it is held. The published map must outlive the lookup's MidiInput.
class PublishedChordLookup final : public midi::ChordLookup {
public:
    explicit PublishedChordLookup(const PublishedChordMap& chords) : chords_(chords) {}
    std::shared_ptr<const midi::Chord> chord_for_key(int key) const override;

private:
    const PublishedChordMap& chords_;
};

// Shares ownership of the synthesizer: held by a MidiInput, it keeps the synthesizer alive
// until MIDI delivery has ended.
class SynthNotePlayer final : public midi::NotePlayer {
public:
    explicit SynthNotePlayer(std::shared_ptr<SynthController> synth);

    midi::NoteInstances notes_on(const midi::Chord& chord, float velocity) override;
    void notes_off(const midi::NoteInstances& notes) override;
    void set_midi_parameter(uint32_t controller, uint32_t value) override;
    // A glide of the tone: the document's timbre to a fraction of a cent, a bank program's
    // to the nearest whole cent.
    void retune(int32_t instance, float hz) override;

private:
    const std::shared_ptr<SynthController> synth_;
    std::mutex mutex_;
    std::map<int32_t, float> started_hz_;  // by the synthesizer's note; guarded by mutex_
};

}  // namespace kelvara
