// The actions of the scale, fixed-tone and chord-map controls, the three tables' data and
// cell edits, each with its follow-up.
#include <algorithm>

#include "base/value_limits.h"
#include "document/document.h"
#include "document/partial_list.h"
#include "scales/decimal_text.h"

namespace kelvara {
namespace {

EditName edit_name(ScaleAction action) {
    switch (action) {
        case ScaleAction::AppendUnison: return EditName::AddScaleRatio;
        case ScaleAction::DeleteSelected: return EditName::DeleteScaleRatio;
        case ScaleAction::RemoveAll: return EditName::ClearScale;
    }
    return EditName::Unnamed;
}

EditName edit_name(FixedToneAction action) {
    switch (action) {
        case FixedToneAction::AppendUnison: return EditName::AddFixedTone;
        case FixedToneAction::CopySelectedScaleRatio: return EditName::CopyToFixedTones;
        case FixedToneAction::DeleteSelected: return EditName::DeleteFixedTone;
    }
    return EditName::Unnamed;
}

EditName edit_name(ChordAction action) {
    switch (action) {
        case ChordAction::AddAtFreeKey: return EditName::AddChord;
        case ChordAction::CopyFixedTones: return EditName::CopyFixedTonesToChord;
        case ChordAction::DeleteSelected: return EditName::DeleteChord;
    }
    return EditName::Unnamed;
}

EditName edit_name(DocumentTable table) {
    switch (table) {
        case DocumentTable::ScaleRatios: return EditName::EditScaleRatio;
        case DocumentTable::FixedTones: return EditName::EditFixedTone;
        case DocumentTable::MappedChords: return EditName::EditChord;
        case DocumentTable::Partials: return EditName::EditPartial;
    }
    return EditName::Unnamed;
}

}  // namespace

std::optional<size_t> Document::selected_row(DocumentTable table) const {
    const std::optional<int32_t> row = view_->selected_row(table);
    if (!row || *row < 0 || *row >= row_count(table)) return std::nullopt;
    return static_cast<size_t>(*row);
}

void Document::scale_action(ScaleAction action) {
    // Clearing an empty list changes nothing and records nothing.
    if (action == ScaleAction::RemoveAll && tables_.scale_ratios().empty()) return;
    const EditScope edit(*this, edit_name(action));
    if (const Result<void> done = tables_.apply(action, selected_row(DocumentTable::ScaleRatios));
        !done) {
        refuse(done.error().description);
        return;
    }
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::ScaleRatios);
    resample_and_redraw(false);
}

void Document::add_scale_preset(ScalePreset preset, ScaleGeneratorFields fields,
                                ScaleImportMode mode) {
    const EditScope edit(*this, EditName::ScalePreset);
    const Result<bool> changed = tables_.add_preset(preset, fields, mode);
    if (!changed) {
        refuse(changed.error().description);
        return;
    }
    if (!*changed) return;  // nothing new: no undo step
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::ScaleRatios);
    resample_and_redraw(false);
}

void Document::fixed_tone_action(FixedToneAction action) {
    const EditScope edit(*this, edit_name(action));
    const std::optional<size_t> scale_row = selected_row(DocumentTable::ScaleRatios);
    const std::optional<size_t> tone_row = selected_row(DocumentTable::FixedTones);
    if (const Result<void> done = tables_.apply(action, scale_row, tone_row); !done) {
        refuse(done.error().description);  // ends the action: no change mark, no resampling
        return;
    }
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::FixedTones);
    resample_and_redraw(true);
}

bool Document::set_fixed_tones(std::span<const float> ratios) {
    if (std::equal(ratios.begin(), ratios.end(), tables_.fixed_tones().begin(),
                   tables_.fixed_tones().end()))
        return true;
    const EditScope edit(*this, EditName::SetFixedTones);
    if (const Result<void> set = tables_.set_fixed_tones(ratios); !set) {
        refuse(set.error().description);
        return false;
    }
    update_change_count(ChangeKind::Done);
    resample_and_redraw(true);
    return true;
}

Result<Chord> Document::fixed_tones_as_chord() const {
    if (tables_.fixed_tones().empty()) return refusal("There are no fixed tones to copy.");
    // The hertz values are frozen now: later changes of the base frequency or the ratios
    // leave this chord as it is.
    Chord chord;
    chord.reserve(tables_.fixed_tones().size());
    for (const float ratio : tables_.fixed_tones()) {
        const auto hertz = static_cast<float>(curve_.base_frequency() * static_cast<double>(ratio));
        if (auto outside = value_refusal(BoundedValue::ChordToneHz, hertz))
            return refusal("A fixed tone sounds at " + number_text(hertz) + " Hz. " + *outside);
        chord.push_back(hertz);
    }
    return chord;
}

void Document::chord_action(ChordAction action) {
    const EditScope edit(*this, edit_name(action));
    const auto no_free_key = [] {
        return "Every MIDI key from 0 to 127 has a chord: delete one first.";
    };
    switch (action) {
        case ChordAction::AddAtFreeKey:
            if (!chords_.add_at_free_key(Chord{kNewChordFrequencyHz})) {
                refuse(no_free_key());
                return;
            }
            break;
        case ChordAction::CopyFixedTones: {
            Result<Chord> chord = fixed_tones_as_chord();
            if (!chord) {
                refuse(chord.error().description);
                return;
            }
            if (!chords_.add_at_free_key(std::move(*chord))) {
                refuse(no_free_key());
                return;
            }
            break;
        }
        case ChordAction::DeleteSelected:
            if (const auto row = selected_row(DocumentTable::MappedChords)) {
                chords_.remove_row(*row);
            } else {
                refuse("Select a chord to delete.");
                return;
            }
            break;
    }
    // The chord map does not enter the curve: no resampling, no redraw.
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::MappedChords);
}

int32_t Document::row_count(DocumentTable table) const {
    if (table == DocumentTable::Partials)
        return static_cast<int32_t>(curve_.custom_partials().size());
    return table == DocumentTable::MappedChords ? chords_.row_count() : tables_.row_count(table);
}

std::optional<CellValue> Document::cell_value(DocumentTable table, TableColumn column,
                                              int32_t row) const {
    if (table == DocumentTable::Partials)
        return partial_cell_value(curve_.custom_partials(), column, row);
    return table == DocumentTable::MappedChords ? chords_.cell_value(column, row)
                                                : tables_.cell_value(table, column, row);
}

void Document::edit_cell(DocumentTable table, TableColumn column, int32_t row,
                         const CellValue& value) {
    if (table == DocumentTable::Partials) return edit_partial_cell(column, row, value);
    const EditScope edit(*this, edit_name(table));
    const Result<bool> changed = table == DocumentTable::MappedChords
                                     ? chords_.edit_cell(column, row, value)
                                     : tables_.edit_cell(table, column, row, value);
    if (!changed) {
        refuse(changed.error().description);
        return;
    }
    // The value already stored (a cell left as it was) is no change of the document.
    if (!*changed) return;
    update_change_count(ChangeKind::Done);
    // A fixed tone moves the whole curve: the y range follows, as after a timbre edit.
    resample_and_redraw(table == DocumentTable::FixedTones);
}

void Document::selection_changed() {
    // Whichever table changed its selection, the cursor line follows the scale table.
    if (const auto row = selected_row(DocumentTable::ScaleRatios))
        curve_view_->move_cursor_line(tables_.scale_ratios()[*row]);
}

}  // namespace kelvara
