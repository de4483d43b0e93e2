// The document's file hooks: the type check, the file's text for the document, and reading a
// file's text into the document in the order the engine relies on.
#include "base/error.h"
#include "document/document.h"
#include "persistence/document_file.h"

namespace kelvara {
namespace {

// A file's saved values and its chord map, or nothing when the content is refused.
std::optional<std::pair<DocumentFileState, ChordMap>> decode_file(std::string_view data) {
    try {
        DocumentFileState state = decode_document_state(data);
        auto chord_map = ChordMap::from_parts(state.midi_note_numbers, state.chords);
        if (!chord_map) return std::nullopt;
        return std::pair{std::move(state), std::move(*chord_map)};
    } catch (const FileFormatError&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<std::string> KelvaraDocument::dataOfType(std::string_view type_name,
                                                       DocumentError* error) const {
    if (type_name != kDocumentTypeName) {
        if (error) *error = unsupported_type_error();
        return std::nullopt;
    }
    return saveStateToData();
}

bool KelvaraDocument::readFromData(std::string_view data, std::string_view type_name,
                                   DocumentError* error) {
    if (type_name != kDocumentTypeName) {
        if (error) *error = unsupported_type_error();
        return false;
    }
    return setStateFromData(data, error);
}

DocumentFileState KelvaraDocument::file_state() const {
    DocumentFileState s;
    s.scale_ratios = _scale_ratios;
    s.overtone_type = _overtone_type;
    s.dissonance_ratios = _dissonance_ratios;
    s.base_frequency = _base_frequency;
    s.x_min = _x_min;
    s.x_max = _x_max;
    s.y_min = _y_min;
    s.y_max = _y_max;
    s.plot_justs = _plot_justs;
    s.plot_selected_ratio = _plot_selected_ratio;
    s.plot_dy = _plot_dy;
    s.step_size = _step_size;
    s.number_of_overtones = _number_of_overtones;
    s.volume = _volume;
    s.midi_note_numbers = _chord_map.midi_note_numbers();
    s.chords = _chord_map.chords();
    return s;
}

std::string KelvaraDocument::saveStateToData() const {
    return encode_document_state(file_state());
}

bool KelvaraDocument::setStateFromData(std::string_view data, DocumentError* error) {
    // Decoding and checking everything first keeps a refused file from changing anything.
    auto decoded = decode_file(data);
    if (!decoded) {
        if (error) *error = unknown_read_error();
        return false;
    }
    apply_file_state(decoded->first, std::move(decoded->second));
    return true;
}

void KelvaraDocument::apply_file_state(const DocumentFileState& s, ChordMap chord_map) {
    replace_scale_ratios(s.scale_ratios);
    _dissonance_ratios = s.dissonance_ratios;
    _overtone_type = s.overtone_type;
    _base_frequency = s.base_frequency;
    _plot_justs = s.plot_justs;
    _plot_selected_ratio = s.plot_selected_ratio;
    _plot_dy = s.plot_dy;
    _step_size = s.step_size;
    build_x_y_arrays();
    _number_of_overtones = s.number_of_overtones;
    if (_controls) _controls->show_number_of_overtones(_number_of_overtones);
    build_partials_arrays();
    _x_min = s.x_min;
    _x_max = s.x_max;
    _y_min = s.y_min;
    _y_max = s.y_max;
    _volume = s.volume;
    // The key list and the chords in one step (the MIDI thread sees the old map or the new
    // one, never a mix); this also reloads the chord table.
    replace_chord_map(std::move(chord_map));
    // A read into an open window (a revert) has just replaced the arrays the view borrows.
    // Running the window-built steps again hands it the new ones before it next draws,
    // resamples the curve and shows every value read, not only the overtone count.
    if (_scale_view || _controls) windowControllerDidLoadNib();
}

}  // namespace kelvara
