#pragma once
// KelvaraDocument: everything of one open document. It holds the timbre, the sampled
// dissonance curve and its plotted ranges, and runs the recompute pipeline after each edit.
// It never reads a widget: the window calls its typed actions with the values the user set,
// and the document shows values and asks for redraws through two interfaces, GraphView and
// DocumentControls. Both are null until a window attaches; every call through a null one
// is skipped, which construction, file reading and the command line rely on.
//
// Threads: everything here runs on the user-interface thread.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/actions.h"
#include "document/curve_view.h"
#include "document/document_view.h"
#include "document/synth_channel.h"
#include "document/table_cells.h"
#include "engine/dissonance_kernel.h"
#include "engine/overtone_type.h"
#include "engine/partials.h"
#include "scales/chord_map.h"

namespace kelvara {

struct DocumentError;
struct DocumentFileState;

// The four bound fields of the window.
enum class BoundField { XMin, XMax, YMin, YMax };

// How an edit moves the change count.
enum class ChangeKind { Done, Undone, Cleared };

class KelvaraDocument {
public:
    KelvaraDocument();
    ~KelvaraDocument();
    KelvaraDocument(const KelvaraDocument&) = delete;
    KelvaraDocument& operator=(const KelvaraDocument&) = delete;

    // --- window attachment -------------------------------------------------------------
    // The window attaches its graph and controls, then calls windowControllerDidLoadNib.
    void attach_view(GraphView* view) { _scale_view = view; }
    void attach_controls(DocumentControls* controls) { _controls = controls; }
    GraphView* scale_view() const { return _scale_view; }
    // The window-built steps: fills every control, samples the curve for the first time and
    // lends the arrays to the view.
    void windowControllerDidLoadNib();

    // --- change count ------------------------------------------------------------------
    void updateChangeCount(ChangeKind kind);
    bool isDocumentEdited() const { return _change_count != 0; }

    // --- engine operations -------------------------------------------------------------
    void build_x_y_arrays();
    void build_partials_arrays();
    void build_list_of_partials(float* partials, float* amplitudes) const;
    void fix_partials_for_step(float* partials, float ratio) const;
    void compute_array_entries();
    void auto_update_y_scale();
    void get_dydx_scale_bounds();
    void updateGraphBounds();
    void updatePlotButtons();
    void updateWaveformSelector();
    void updateBaseFrequency();

    // --- user actions (typed values as the controls hold them) -------------------------
    // Each refused value (see engine_limits.h) answers with the beep, shows the stored value
    // again and leaves every field, array and the change count as they were.
    void step_size_changed(float value);
    void number_of_overtones_changed(int32_t value);
    void waveformSelected(int32_t tag);
    void baseFrequencyEdited(float value);
    void boundsChanged(BoundField field, float value);
    void plotPressed(bool justs_segment, bool selected_ratio_segment, bool derivative_segment);
    void normalize_y_axis_pressed();
    // Replaces the whole fixed-tone list, as a script does: refused (with the beep, nothing
    // changed) for more than kMaxDissonanceRatios ratios or a ratio that is not a finite
    // positive number. Runs the pipeline of a fixed-tone edit.
    bool set_dissonance_ratios(std::span<const float> ratios);

    // --- volume (MIDI controller 7 of the document's synthesizer) -----------------------
    // The synthesizer channel the volume goes to; null (nothing sent) until attached. It
    // must outlive the document or be detached first.
    void attach_channel(ChannelControls* channel) { _channel = channel; }
    // Sends the stored volume to the synthesizer and shows it on the slider.
    void update_volume();
    // The user moved the volume slider: store, send, and mark the document changed.
    void volume_set(int32_t volume);
    int32_t volume() const { return _volume; }
    // --- scales and chords (implemented in src/scales/) ---------------------------------
    // The scale-ratio and fixed-tone lists, the three tables of which the document is the
    // data source, and the chord map. Everything here runs on the user-interface thread,
    // except chord_for_key and published_chord_map, which any thread may call.
    //
    // Ratio-list actions (scale_actions.cpp). Tags: action_tags.h. Selected rows come from
    // DocumentControls::selected_row. A scale action always ends with: sort the list, mark
    // changed, reload the scale table, resample, redraw. A fixed-tone action that beeps
    // ends there; otherwise: mark changed, reload, resample, refit y, redraw.
    void scaleRatiosAddDelete(ScaleActionSource source, int32_t tag,
                              ScaleGeneratorFields fields = {});
    void dissonanceRatiosAddDelete(int32_t tag);
    const std::vector<float>& scale_ratios() const { return _scale_ratios; }
    // Replaces the scale list as a document file holds it: no change mark, no resampling.
    void replace_scale_ratios(std::vector<float> ratios);

    // Table data source (table_data_source.cpp), in the shape of a table model: rows,
    // cell values, cell edits and the selection change. Rows count from 0; a row outside the
    // table gives no value and an edit of it changes nothing.
    int32_t numberOfRowsInTableView(DocumentTable table) const;
    // Sorts the scale list after reading a scale cell: an edited ratio reaches its sorted row
    // on the next fetch. The pass that makes that fetch may still show the edited ratio at
    // its old row, so a table model should show every scale row again after a scale edit
    // (for example by fetching one cell, then signalling that all rows changed).
    std::optional<CellValue> tableView_objectValueForTableColumn_row(DocumentTable table,
                                                                     TableColumn column,
                                                                     int32_t row);
    // Applies one cell edit, then always: mark changed, resample, redraw.
    void tableView_setObjectValue_forTableColumn_row(DocumentTable table, const CellValue& value,
                                                     TableColumn column, int32_t row);
    // Moves the graph's cursor line to the selected scale ratio, if one is selected.
    void tableViewSelectionDidChange();

    // Chord map (chord_actions.cpp). After every action: mark changed, reload the table.
    void chordAddDelete(int32_t tag);
    const ChordMap& chord_map() const { return _chord_map; }
    // Replaces the chord map as a document file holds it: no change mark; publishes it and
    // reloads the chord table.
    void replace_chord_map(ChordMap map);
    // Any thread (the MIDI receive thread): the chord of a key as last published, or null.
    std::shared_ptr<const Chord> chord_for_key(int32_t key) const {
        return _published_chord_map.chord_for_key(key);
    }
    const PublishedChordMap& published_chord_map() const { return _published_chord_map; }

    // --- state (read-only views for the window, the file and the tests) ----------------
    int32_t overtone_type() const { return _overtone_type; }
    double base_frequency() const { return _base_frequency; }
    const std::vector<float>& dissonance_ratios() const { return _dissonance_ratios; }
    float x_min() const { return _x_min; }
    float x_max() const { return _x_max; }
    float y_min() const { return _y_min; }
    float y_max() const { return _y_max; }
    float dy_min() const { return _dy_min; }
    float dy_max() const { return _dy_max; }
    double step_size() const { return _step_size; }
    const float* x_values() const { return _x_values.get(); }
    const float* y_values() const { return _y_values.get(); }
    int32_t number_of_points() const { return _number_of_points; }
    const float* partials() const { return _partials.get(); }
    const float* amplitudes() const { return _amplitudes.get(); }
    int32_t number_of_partials() const { return _number_of_partials; }
    int32_t max_number_of_points() const { return _max_number_of_points; }
    bool plot_justs() const { return _plot_justs; }
    bool plot_selected_ratio() const { return _plot_selected_ratio; }
    bool plot_dy() const { return _plot_dy; }
    int32_t number_of_overtones() const { return _number_of_overtones; }
    Timbre timbre() const { return {_overtone_type, _number_of_overtones, _base_frequency}; }

    // --- document file (defined in persistence/document_file_io.cpp) ----------------------
    // The document framework's hooks. Both fail with the -4 status error (stored into
    // `error` when given) for any type name but "Palvern Kelvara Document".
    std::optional<std::string> dataOfType(std::string_view type_name, DocumentError* error) const;
    bool readFromData(std::string_view data, std::string_view type_name, DocumentError* error);
    // The file's text for the document as it is now.
    std::string saveStateToData() const;
    // Reads a file's text. The whole content is decoded and checked first: a refused file
    // leaves the document exactly as it was and reports the "KelvaraErrorDomain" code 1
    // error. An accepted one replaces every saved field, rebuilds the arrays for the file's
    // step size and overtone count, shows the overtone count and reloads the chord table;
    // with a window attached, the window-built steps then run again so that the view
    // borrows the new arrays and every control shows the values read.
    bool setStateFromData(std::string_view data, DocumentError* error);
    // The saved values as the document holds them now.
    DocumentFileState file_state() const;

    // Replaces the sampling kernel (benchmarks and tests compare kernels through this).
    void set_kernel(std::unique_ptr<DissonanceKernel> kernel);

private:
    void beep() const;
    void show_float(FloatField field, float value) const;
    void show_stored_value(FloatField field) const;
    void resample_and_redraw(bool refit_y);
    bool x_range_fits(float x_min, float x_max, double step, int32_t capacity) const;
    void apply_file_state(const DocumentFileState& state, ChordMap chord_map);

    // Engine fields, in the order the document's state is described.
    int32_t _overtone_type = 0;
    double _base_frequency = 0.0;
    std::vector<float> _dissonance_ratios;
    float _x_min = 0.0f, _x_max = 0.0f;
    float _y_min = 0.0f, _y_max = 0.0f;
    float _dy_min = 0.0f, _dy_max = 0.0f;
    double _step_size = 0.0;
    std::unique_ptr<float[]> _x_values;
    std::unique_ptr<float[]> _y_values;
    int32_t _number_of_points = 0;
    std::unique_ptr<float[]> _partials;
    std::unique_ptr<float[]> _amplitudes;
    int32_t _number_of_partials = 0;
    int32_t _max_number_of_points = 0;
    bool _plot_justs = false;
    bool _plot_selected_ratio = false;
    bool _plot_dy = false;
    int32_t _number_of_overtones = 0;

    // The channel volume; 64 until the user or a file sets it. Saved with the document; the
    // synthesizer takes it when the window is set up.
    int32_t _volume = 64;
    ChannelControls* _channel = nullptr;

    // The scale-ratio list (ratio entries as 32-bit floats).
    std::vector<float> _scale_ratios;

    // --- scales and chords: helpers and state (src/scales/) ----------------------------
    void scale_action_follow_up();
    void fixed_tone_action_follow_up();
    void table_edit_follow_up();
    void chord_action_follow_up();
    void reload_table(DocumentTable table) const;
    std::optional<size_t> selected_row_in(DocumentTable table, size_t row_count) const;
    void edit_scale_cell(TableColumn column, size_t row, const CellValue& value);
    void edit_fixed_tone_cell(size_t row, const CellValue& value);
    void edit_chord_cell(TableColumn column, size_t row, const CellValue& value);
    // The chord map as the user-interface thread edits it (its keys are `_midi_note_numbers`,
    // its chords `_chords`), and the copy the MIDI thread reads, published after each edit.
    ChordMap _chord_map;
    PublishedChordMap _published_chord_map;

    int64_t _change_count = 0;
    std::unique_ptr<DissonanceKernel> _kernel;

    GraphView* _scale_view = nullptr;
    DocumentControls* _controls = nullptr;
};

}  // namespace kelvara
