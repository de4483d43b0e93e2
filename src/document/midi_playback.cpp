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
    midi::NoteInstances notes = synth_->notes_on(chord, velocity);
    const std::lock_guard lock(mutex_);
    for (size_t i = 0; i < notes.size() && i < chord.size(); ++i)
        if (notes[i] != SynthController::kNoNote) started_hz_[notes[i]] = chord[i];
    return notes;
}

void SynthNotePlayer::notes_off(const midi::NoteInstances& notes) {
    synth_->notes_off(notes);
    const std::lock_guard lock(mutex_);
    for (const int32_t note : notes) started_hz_.erase(note);
}

void SynthNotePlayer::retune(int32_t instance, float hz) {
    float started = 0.0f;
    {
        const std::lock_guard lock(mutex_);
        const auto found = started_hz_.find(instance);
        if (found == started_hz_.end()) return;
        started = found->second;
    }
    synth_->glide_note(instance, started, hz);
}

void SynthNotePlayer::set_midi_parameter(uint32_t controller, uint32_t value) {
    synth_->set_midi_parameter(controller, value);
}

}  // namespace kelvara
