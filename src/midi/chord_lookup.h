#pragma once
// The chord map as the MIDI receive thread reads it: which keys are mapped, and the chord of
// each. An adapter over the document's chord map implements it; it must answer from a
// consistent state (a snapshot, or under the lock the editing code also takes), never from a
// half-made edit.
#include <optional>

#include "midi/note_player.h"

namespace kelvara::midi {

class ChordLookup {
public:
    virtual ~ChordLookup() = default;
    // Nothing when `key` is not mapped; otherwise the chord stored under it (empty when the
    // key is mapped but has no chord). `key` is a MIDI key number, 0 to 127 for a
    // well-formed message.
    virtual std::optional<Chord> chord_for_key(int key) const = 0;
    // Whether `key` is mapped, without copying its chord (what a note-off needs).
    virtual bool is_mapped(int key) const = 0;
};

}  // namespace kelvara::midi
