// The actions of the chord-map control, and replacing the map as a file holds it.
#include "document/document.h"

namespace kelvara {

void KelvaraDocument::chordAddDelete(int32_t tag) {
    bool changed = false;
    if (tag == kChordAdd) {
        // All 128 keys taken: nothing is added and nothing beeps.
        changed = _chord_map.add_at_free_key(Chord{kNewChordFrequencyHz});
    } else if (tag == kChordCopyFixedTones) {
        if (!_dissonance_ratios.empty()) {
            // The hertz values are frozen now: later changes of the base frequency or the
            // ratios leave this chord as it is.
            Chord chord;
            chord.reserve(_dissonance_ratios.size());
            for (const float ratio : _dissonance_ratios)
                chord.push_back(static_cast<float>(_base_frequency * static_cast<double>(ratio)));
            changed = _chord_map.add_at_free_key(std::move(chord));
        }
    } else if (tag == kChordDeleteSelected) {
        const std::optional<size_t> row =
            selected_row_in(DocumentTable::MappedChords, _chord_map.size());
        if (row)
            changed = _chord_map.remove_row(*row);
        else
            beep();
    }
    if (changed) _published_chord_map.publish(_chord_map);
    chord_action_follow_up();
}

void KelvaraDocument::chord_action_follow_up() {
    // The chord map does not enter the curve: no resampling, no redraw.
    updateChangeCount(ChangeKind::Done);
    reload_table(DocumentTable::MappedChords);
}

void KelvaraDocument::replace_chord_map(ChordMap map) {
    _chord_map = std::move(map);
    _published_chord_map.publish(_chord_map);
    reload_table(DocumentTable::MappedChords);
}

}  // namespace kelvara
