// The document's saved values: the state a file stores, taken from the document and put
// back into it.
#include "document/document.h"

namespace kelvara {

DocumentFileState Document::state() const {
    DocumentFileState s;
    s.scale_ratios = tables_.scale_ratios();
    const std::vector<std::string>& forms = tables_.scale_forms();
    for (size_t row = 0; row < forms.size(); ++row)
        if (!forms[row].empty()) s.scale_ratio_forms.emplace(static_cast<int32_t>(row), forms[row]);
    s.scale_description = tables_.scale_description();
    s.overtone_type = curve_.overtone_type();
    s.dissonance_ratios = tables_.fixed_tones();
    s.base_frequency = curve_.base_frequency();
    s.x_min = curve_.x_min();
    s.x_max = curve_.x_max();
    s.y_min = curve_.y_min();
    s.y_max = curve_.y_max();
    s.plot_justs = curve_.plot_justs();
    s.plot_selected_ratio = curve_.plot_selected_ratio();
    s.plot_slope = curve_.plot_slope();
    s.step_size = curve_.step_size();
    s.number_of_overtones = curve_.number_of_overtones();
    s.custom_partials = curve_.custom_partials();
    s.roughness_model = curve_.roughness_model();
    s.volume = volume_;
    s.pitch_true = pitch_true_;
    s.graph = graph_choices_;
    s.midi_note_numbers = chords_.map().midi_note_numbers();
    s.chords = chords_.map().chords();
    s.chord_root_forms = chords_.map().root_forms();
    return s;
}

Result<void> Document::apply_state(const DocumentFileState& s) {
    // Everything is checked first, so that a refused state changes nothing.
    if (Result<void> valid = validate_document_state(s); !valid) return valid;
    if (!ChordMap::from_parts(s.midi_note_numbers,
                              ChordDictionary(s.chords.begin(), s.chords.end())))
        return unreadable_document_error("the chord map does not match its keys");
    put_state(s);
    // Read into an open window (a revert): the view borrows the new arrays, sampled, and
    // every control shows the values read.
    if (has_views_) show_all();
    // The values come from a file now: the steps of the old values would not lead back.
    history_.clear();
    pending_edit_.reset();
    continuous_step_recorded_ = false;
    // Values brought into bounds on reading differ from the file: the document is edited
    // until saved. No undo step leads back to the file's own values, which no document may
    // hold.
    clamped_on_read_ = s.clamped_on_read;
    if (!clamped_on_read_.empty()) mark_unsaved();
    view_->show_undo_steps();
    return {};
}

void Document::put_state(const DocumentFileState& s) {
    std::optional<ChordMap> chord_map =
        ChordMap::from_parts(s.midi_note_numbers, ChordDictionary(s.chords.begin(), s.chords.end()),
                             RootForms(s.chord_root_forms.begin(), s.chord_root_forms.end()));
    // The arrays the view borrows are about to be replaced: it gives them back first.
    curve_view_->lend_arrays(nullptr, nullptr);
    std::vector<std::string> forms(s.scale_ratios.size());
    for (const auto& [row, form] : s.scale_ratio_forms)
        if (row >= 0 && static_cast<size_t>(row) < forms.size())
            forms[static_cast<size_t>(row)] = form;
    tables_.restore(s.scale_ratios, s.dissonance_ratios, std::move(forms), s.scale_description);
    curve_.set_base_frequency(s.base_frequency);
    curve_.set_plot_flags(s.plot_justs, s.plot_selected_ratio, s.plot_slope);
    curve_.set_step_size(s.step_size);
    curve_.set_number_of_overtones(s.number_of_overtones);
    // A custom timbre's list is as long as the overtone count (validate_document_state).
    if (s.overtone_type == CustomPartials)
        curve_.set_custom_partials(s.custom_partials);
    else
        curve_.set_overtone_type(s.overtone_type);
    curve_.set_roughness_model(s.roughness_model);
    view_->show_number_of_overtones(curve_.number_of_overtones());
    view_->reload_table(DocumentTable::Partials);
    curve_.set_bound(BoundField::XMin, s.x_min);
    curve_.set_bound(BoundField::XMax, s.x_max);
    curve_.set_bound(BoundField::YMin, s.y_min);
    curve_.set_bound(BoundField::YMax, s.y_max);
    volume_ = s.volume;
    pitch_true_ = s.pitch_true;
    graph_choices_ = s.graph;
    // The key list and the chords in one step: the MIDI thread sees the old map or the new
    // one, never a mix. (A state the document produced always has a matching map.)
    if (chord_map) chords_.replace(std::move(*chord_map));
    view_->reload_table(DocumentTable::MappedChords);
}

}  // namespace kelvara
