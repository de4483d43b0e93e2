#pragma once
// ChordMapEditor: the chord map of a document as the user edits it, and the copy the MIDI
// receive thread plays from. Every change that alters the map publishes it at once, so the
// next key struck plays the new state whole (chord_map.h explains the snapshot).
//
// Threads: everything on the user-interface thread, except chord_for_key and published(),
// which any thread may use.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "base/error.h"
#include "document/table_cells.h"
#include "scales/chord_map.h"

namespace kelvara {

class ChordMapEditor {
public:
    const ChordMap& map() const { return map_; }
    const PublishedChordMap& published() const { return published_; }
    // Any thread: the chord of a key as last published, or null.
    std::shared_ptr<const Chord> chord_for_key(int32_t key) const {
        return published_.chord_for_key(key);
    }

    // Maps the first free key from middle C (ChordMap::free_key) to `chord`; false when all
    // 128 keys are taken.
    bool add_at_free_key(Chord chord);
    // False when the row does not exist.
    bool remove_row(size_t row);
    // The whole map as a document file holds it.
    void replace(ChordMap map);

    // --- the chord table ----------------------------------------------------------------
    int32_t row_count() const;
    std::optional<CellValue> cell_value(TableColumn column, int32_t row) const;
    // The root form the row's chord was typed in (220 @ 1 5/4 3/2), which the chord column
    // shows instead of the frequencies; empty for a chord typed as frequencies.
    std::string root_form_at_row(int32_t row) const;
    // A key cell takes a MIDI key (0-127) not mapped to another row, a chord cell a chord
    // of at least one tone, each within the chord-tone bounds (base/value_limits.h). Anything
    // else is refused with the reason; true when the map changed, false for the value already
    // stored or a row outside the table.
    Result<bool> edit_cell(TableColumn column, int32_t row, const CellValue& value);

private:
    void publish_if(bool changed);

    ChordMap map_;
    PublishedChordMap published_;
};

}  // namespace kelvara
