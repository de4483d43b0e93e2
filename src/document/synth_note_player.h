#pragma once
// The document's synthesizer as the packet handler plays it. The player shares ownership of
// the synthesizer: held by a MidiInput, it keeps the synthesizer alive until MIDI delivery
// has ended.
//
// Threads: as SynthController's notes_on, notes_off and set_midi_parameter (the MIDI receive
// thread; the controller guards its own graph replacement).
#include <memory>

#include "midi/note_player.h"

namespace kelvara {
class SynthController;
}

namespace kelvara::midi {

class SynthNotePlayer final : public NotePlayer {
public:
    explicit SynthNotePlayer(std::shared_ptr<SynthController> synth);

    NoteInstances notes_on(const Chord& chord, float velocity) override;
    void notes_off(const NoteInstances& notes) override;
    void set_midi_parameter(uint32_t controller, uint32_t value) override;

private:
    const std::shared_ptr<SynthController> synth_;
};

}  // namespace kelvara::midi
