#include "document/synth_note_player.h"

#include <stdexcept>

#include "sound/synth_controller.h"

namespace kelvara::midi {

SynthNotePlayer::SynthNotePlayer(std::shared_ptr<SynthController> synth)
    : synth_(std::move(synth)) {
    if (!synth_) throw std::invalid_argument("a note player needs a synthesizer");
}

NoteInstances SynthNotePlayer::notes_on(const Chord& chord, float velocity) {
    return synth_->notes_on(chord, velocity);
}

void SynthNotePlayer::notes_off(const NoteInstances& notes) {
    synth_->notes_off(notes);
}

void SynthNotePlayer::set_midi_parameter(uint32_t controller, uint32_t value) {
    synth_->set_midi_parameter(controller, value);
}

}  // namespace kelvara::midi
