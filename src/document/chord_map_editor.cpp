#include "document/chord_map_editor.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <variant>

#include "base/value_limits.h"

namespace kelvara {
namespace {

std::optional<size_t> existing_row(int32_t row, size_t row_count) {
    if (row < 0 || static_cast<size_t>(row) >= row_count) return std::nullopt;
    return static_cast<size_t>(row);
}

}  // namespace

bool ChordMapEditor::add_at_free_key(Chord chord) {
    const bool added = map_.add_at_free_key(std::move(chord));
    publish_if(added);
    return added;
}

bool ChordMapEditor::remove_row(size_t row) {
    const bool removed = map_.remove_row(row);
    publish_if(removed);
    return removed;
}

void ChordMapEditor::replace(ChordMap map) {
    map_ = std::move(map);
    publish_if(true);
}

int32_t ChordMapEditor::row_count() const {
    return static_cast<int32_t>(std::min<size_t>(map_.size(), std::numeric_limits<int32_t>::max()));
}

std::optional<CellValue> ChordMapEditor::cell_value(TableColumn column, int32_t row) const {
    const std::optional<size_t> at = existing_row(row, map_.size());
    if (!at) return std::nullopt;
    const int32_t key = map_.midi_note_numbers()[*at];
    if (column == TableColumn::MidiNote) return key;
    if (column == TableColumn::ChordString) return *map_.chord_for_key(key);
    return std::nullopt;
}

std::string ChordMapEditor::root_form_at_row(int32_t row) const {
    const std::optional<size_t> at = existing_row(row, map_.size());
    if (!at) return {};
    const auto form = map_.root_forms().find(map_.midi_note_numbers()[*at]);
    return form == map_.root_forms().end() ? std::string() : form->second;
}

Result<bool> ChordMapEditor::edit_cell(TableColumn column, int32_t row, const CellValue& value) {
    const std::optional<size_t> at = existing_row(row, map_.size());
    if (!at) return false;
    const int32_t current_key = map_.midi_note_numbers()[*at];
    bool changed = false;
    if (column == TableColumn::MidiNote) {
        const std::optional<int32_t> key = cell_as_integer(value);
        if (!key || !is_within_bounds(BoundedValue::MidiKey, *key))
            return refusal(*value_refusal(BoundedValue::MidiKey, key ? *key : -1.0));
        if (*key == current_key) return false;
        if (map_.chord_for_key(*key))
            return refusal("Key " + std::to_string(*key) +
                           " plays another chord already: give that chord another key first.");
        changed = map_.rekey_row(*at, *key);
    } else if (column == TableColumn::ChordString) {
        const auto* typed = std::get_if<TypedChord>(&value);
        const Chord* chord = typed ? &typed->tones : std::get_if<Chord>(&value);
        if (!chord) return false;
        const std::string root_form = typed ? typed->root_form : std::string();
        if (chord->empty()) return refusal("A chord needs at least one tone.");
        for (const float tone : *chord)
            if (auto outside = value_refusal(BoundedValue::ChordToneHz, tone))
                return refusal(std::move(*outside));
        if (*chord == *map_.chord_for_key(current_key) && root_form == root_form_at_row(row))
            return false;
        changed = map_.replace_chord_at_row(*at, *chord, root_form);
    }
    publish_if(changed);
    return changed;
}

void ChordMapEditor::publish_if(bool changed) {
    if (changed) published_.publish(map_);
}

}  // namespace kelvara
