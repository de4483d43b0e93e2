#pragma once
// The document's published chord map as the packet handler reads it: each lookup takes the
// state last published, whole, and the chord it returns keeps that state alive while held.
//
// The published map is the document's; it must outlive the lookup's MidiInput (declare the
// MidiInput after the chord map, so it is destroyed first).
#include "midi/chord_lookup.h"

namespace kelvara {
class PublishedChordMap;
}

namespace kelvara::midi {

class PublishedChordLookup final : public ChordLookup {
public:
    explicit PublishedChordLookup(const PublishedChordMap& chords) : chords_(chords) {}
    std::shared_ptr<const Chord> chord_for_key(int key) const override;

private:
    const PublishedChordMap& chords_;
};

}  // namespace kelvara::midi
