// The actions of the scale, fixed-tone and chord-map controls, the three tables' data and
// cell edits, each with its follow-up.
#include <string>

#include "document/document.h"
#include "engine/engine_limits.h"

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
    const EditScope edit(*this, edit_name(action));
    if (!tables_.apply(action, selected_row(DocumentTable::ScaleRatios))) view_->beep();
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::ScaleRatios);
    resample_and_redraw(false);
}

void Document::add_scale_preset(ScalePreset preset, ScaleGeneratorFields fields) {
    const EditScope edit(*this, EditName::ScalePreset);
    // Refused: more than kMaxGeneratedRatios values; nothing is inserted.
    if (!tables_.add_preset(preset, fields, selected_row(DocumentTable::ScaleRatios)))
        view_->beep();
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::ScaleRatios);
    resample_and_redraw(false);
}

void Document::fixed_tone_action(FixedToneAction action) {
    const EditScope edit(*this, edit_name(action));
    const std::optional<size_t> scale_row = selected_row(DocumentTable::ScaleRatios);
    const std::optional<size_t> tone_row = selected_row(DocumentTable::FixedTones);
    if (!tables_.apply(action, scale_row, tone_row)) {
        view_->beep();  // ends the action: no change mark, no resampling
        if (action != FixedToneAction::DeleteSelected &&
            tables_.fixed_tones().size() >= static_cast<size_t>(kMaxDissonanceRatios))
            view_->show_refusal("A curve takes at most " + std::to_string(kMaxDissonanceRatios) +
                                " fixed tones: delete one before adding another.");
        return;
    }
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::FixedTones);
    resample_and_redraw(true);
}

bool Document::set_fixed_tones(std::span<const float> ratios) {
    const EditScope edit(*this, EditName::SetFixedTones);
    if (!tables_.set_fixed_tones(ratios)) {
        view_->beep();
        return false;
    }
    update_change_count(ChangeKind::Done);
    resample_and_redraw(true);
    return true;
}

void Document::chord_action(ChordAction action) {
    const EditScope edit(*this, edit_name(action));
    switch (action) {
        case ChordAction::AddAtFreeKey:
            // All 128 keys taken: nothing is added and nothing beeps.
            chords_.add_at_free_key(Chord{kNewChordFrequencyHz});
            break;
        case ChordAction::CopyFixedTones:
            if (!tables_.fixed_tones().empty()) {
                // The hertz values are frozen now: later changes of the base frequency or
                // the ratios leave this chord as it is.
                Chord chord;
                chord.reserve(tables_.fixed_tones().size());
                for (const float ratio : tables_.fixed_tones())
                    chord.push_back(
                        static_cast<float>(curve_.base_frequency() * static_cast<double>(ratio)));
                chords_.add_at_free_key(std::move(chord));
            }
            break;
        case ChordAction::DeleteSelected:
            if (const auto row = selected_row(DocumentTable::MappedChords))
                chords_.remove_row(*row);
            else
                view_->beep();
            break;
    }
    // The chord map does not enter the curve: no resampling, no redraw.
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::MappedChords);
}

int32_t Document::row_count(DocumentTable table) const {
    return table == DocumentTable::MappedChords ? chords_.row_count() : tables_.row_count(table);
}

std::optional<CellValue> Document::cell_value(DocumentTable table, TableColumn column,
                                              int32_t row) const {
    return table == DocumentTable::MappedChords ? chords_.cell_value(column, row)
                                                : tables_.cell_value(table, column, row);
}

void Document::edit_cell(DocumentTable table, TableColumn column, int32_t row,
                         const CellValue& value) {
    const EditScope edit(*this, edit_name(table));
    if (table == DocumentTable::MappedChords)
        edit_chord_cell(column, row, value);
    else if (!tables_.edit_cell(table, column, row, value))
        view_->beep();
    // Also after an edit that changed nothing, and for the tables outside the curve.
    update_change_count(ChangeKind::Done);
    resample_and_redraw(false);
}

void Document::edit_chord_cell(TableColumn column, int32_t row, const CellValue& value) {
    // A key can play one chord only: a key that plays another row's chord is refused.
    const std::optional<int32_t> key =
        column == TableColumn::MidiNote ? cell_as_integer(value) : std::nullopt;
    if (key && chords_.map().chord_for_key(*key) != nullptr &&
        chords_.cell_value(column, row) != CellValue{*key}) {
        view_->beep();
        view_->show_refusal("Key " + std::to_string(*key) +
                            " plays another chord already: give that chord another key first.");
        return;
    }
    chords_.edit_cell(column, row, value);
}

void Document::selection_changed() {
    // Whichever table changed its selection, the cursor line follows the scale table.
    if (const auto row = selected_row(DocumentTable::ScaleRatios))
        curve_view_->move_cursor_line(tables_.scale_ratios()[*row]);
}

}  // namespace kelvara
