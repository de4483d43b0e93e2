#pragma once
// The chord map as the MIDI receive thread reads it: which keys are mapped, and the chord of
// each. An adapter over the document's chord map implements it; it must answer from a
// consistent state (a snapshot, or under the lock the editing code also takes), never from a
// half-made edit.
#include <memory>

#include "midi/note_player.h"

namespace kelvara::midi {

class ChordLookup {
public:
    virtual ~ChordLookup() = default;
    // Null when `key` is not mapped; otherwise the chord stored under it (empty when the
    // key is mapped but has no tones). The chord stays valid and unchanged while the pointer
    // is held, whatever the user-interface thread edits meanwhile. `key` is a MIDI key
    // number, 0 to 127 for a well-formed message.
    virtual std::shared_ptr<const Chord> chord_for_key(int key) const = 0;
};

}  // namespace kelvara::midi
