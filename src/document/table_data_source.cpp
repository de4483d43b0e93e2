// The document as the data source of its three tables: row counts, shown values, cell edits
// and the selection change that moves the graph's cursor line.
#include <algorithm>
#include <limits>
#include <variant>

#include "document/document.h"
#include "scales/ratio_list.h"

namespace kelvara {
namespace {

int32_t row_count(size_t size) {
    return static_cast<int32_t>(std::min<size_t>(size, std::numeric_limits<int32_t>::max()));
}

std::optional<size_t> existing_row(int32_t row, size_t row_count) {
    if (row < 0 || static_cast<size_t>(row) >= row_count) return std::nullopt;
    return static_cast<size_t>(row);
}

}  // namespace

void KelvaraDocument::reload_table(DocumentTable table) const {
    if (_controls) _controls->reload_table(table);
}

std::optional<size_t> KelvaraDocument::selected_row_in(DocumentTable table,
                                                       size_t row_count) const {
    if (!_controls) return std::nullopt;
    const std::optional<int32_t> row = _controls->selected_row(table);
    return row ? existing_row(*row, row_count) : std::nullopt;
}

int32_t KelvaraDocument::numberOfRowsInTableView(DocumentTable table) const {
    switch (table) {
        case DocumentTable::ScaleRatios: return row_count(_scale_ratios.size());
        case DocumentTable::DissonanceRatios: return row_count(_dissonance_ratios.size());
        case DocumentTable::MappedChords: return row_count(_chord_map.size());
    }
    return 0;
}

std::optional<CellValue> KelvaraDocument::tableView_objectValueForTableColumn_row(
    DocumentTable table, TableColumn column, int32_t row) {
    switch (table) {
        case DocumentTable::ScaleRatios: {
            const std::optional<size_t> at = existing_row(row, _scale_ratios.size());
            std::optional<CellValue> shown;
            if (at && column == TableColumn::Ratios) shown = _scale_ratios[*at];
            if (at && column == TableColumn::Cents) shown = cents_of_ratio(_scale_ratios[*at]);
            // The value is read first, then the list sorted: this is what brings an edited
            // ratio to its ordered row on the next display.
            sort_ratios(_scale_ratios);
            return shown;
        }
        case DocumentTable::DissonanceRatios: {
            const std::optional<size_t> at = existing_row(row, _dissonance_ratios.size());
            if (!at) return std::nullopt;
            return _dissonance_ratios[*at];
        }
        case DocumentTable::MappedChords: {
            const std::optional<size_t> at = existing_row(row, _chord_map.size());
            if (!at) return std::nullopt;
            const int32_t key = _chord_map.midi_note_numbers()[*at];
            if (column == TableColumn::MidiNote) return key;
            if (column == TableColumn::ChordString) return *_chord_map.chord_for_key(key);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

void KelvaraDocument::tableView_setObjectValue_forTableColumn_row(DocumentTable table,
                                                                  const CellValue& value,
                                                                  TableColumn column, int32_t row) {
    switch (table) {
        case DocumentTable::ScaleRatios:
            if (const auto at = existing_row(row, _scale_ratios.size()))
                edit_scale_cell(column, *at, value);
            break;
        case DocumentTable::DissonanceRatios:
            if (const auto at = existing_row(row, _dissonance_ratios.size()))
                edit_fixed_tone_cell(*at, value);
            break;
        case DocumentTable::MappedChords:
            if (const auto at = existing_row(row, _chord_map.size()))
                edit_chord_cell(column, *at, value);
            break;
    }
    table_edit_follow_up();
}

void KelvaraDocument::edit_scale_cell(TableColumn column, size_t row, const CellValue& value) {
    const std::optional<float> number = cell_as_float(value);
    if (!number) return;
    // Scale ratios are not range-checked: a ratio of 0 or below shows as -inf or NaN cents.
    if (column == TableColumn::Ratios) _scale_ratios[row] = *number;
    if (column == TableColumn::Cents) _scale_ratios[row] = ratio_of_cents(*number);
}

void KelvaraDocument::edit_fixed_tone_cell(size_t row, const CellValue& value) {
    // Fixed tones keep the rule every other path keeps (set_dissonance_ratios, the file):
    // a finite ratio above 0. Anything else is refused with the beep and the old ratio stays.
    const std::optional<float> number = cell_as_float(value);
    if (number && is_usable_fixed_tone_ratio(*number))
        _dissonance_ratios[row] = *number;
    else
        beep();
}

void KelvaraDocument::edit_chord_cell(TableColumn column, size_t row, const CellValue& value) {
    bool changed = false;
    if (column == TableColumn::MidiNote) {
        // A key number already mapped (this row's included) leaves the map as it was.
        if (const std::optional<int32_t> key = cell_as_integer(value))
            changed = _chord_map.rekey_row(row, *key);
    } else if (column == TableColumn::ChordString) {
        if (const auto* chord = std::get_if<Chord>(&value))
            changed = _chord_map.replace_chord_at_row(row, *chord);
    }
    if (changed) _published_chord_map.publish(_chord_map);
}

void KelvaraDocument::table_edit_follow_up() {
    // Also after an edit that changed nothing, and for the tables outside the curve.
    updateChangeCount(ChangeKind::Done);
    compute_array_entries();
    if (_scale_view) _scale_view->update_graph(_number_of_points);
}

void KelvaraDocument::tableViewSelectionDidChange() {
    // Whichever table changed its selection, the cursor line follows the scale table.
    const std::optional<size_t> row =
        selected_row_in(DocumentTable::ScaleRatios, _scale_ratios.size());
    if (row && _scale_view) _scale_view->plot_line_at_x(_scale_ratios[*row]);
}

}  // namespace kelvara
