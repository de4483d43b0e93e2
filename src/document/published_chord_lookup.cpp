#include "document/published_chord_lookup.h"

#include "scales/chord_map.h"

namespace kelvara::midi {

std::shared_ptr<const Chord> PublishedChordLookup::chord_for_key(int key) const {
    return chords_.chord_for_key(key);
}

}  // namespace kelvara::midi
