#include "document/midi_playback.h"

#include <stdexcept>

#include "scales/chord_map.h"
#include "sound/synth_controller.h"

namespace kelvara {

std::shared_ptr<const midi::Chord> PublishedChordLookup::chord_for_key(int key) const {
    return chords_.chord_for_key(key);
}

SynthNotePlayer::SynthNotePlayer(std::shared_ptr<SynthController> synth)
    : synth_(std::move(synth)) {
    if (!synth_) throw std::invalid_argument("a note player needs a synthesizer");
}

midi::NoteInstances SynthNotePlayer::notes_on(const midi::Chord& chord, float velocity) {
    return synth_->notes_on(chord, velocity);
}

void SynthNotePlayer::notes_off(const midi::NoteInstances& notes) {
    synth_->notes_off(notes);
}

void SynthNotePlayer::set_midi_parameter(uint32_t controller, uint32_t value) {
    synth_->set_midi_parameter(controller, value);
}

}  // namespace kelvara
