#pragma once
// Document: one open document. It holds three parts, each with one job: the curve (timbre,
// step, ranges, samples: curve.h), the ratio tables (scale ratios and fixed tones:
// ratio_tables.h) and the chord map editor (chord_map_editor.h); and the volume, the
// pitch-true choice and the change count itself. Every user action enters through one member
// function here, which checks the value, changes the part and then runs the action's follow-up in
// one place: mark the document changed, reload a table, resample, refit a range, redraw.
//
// Every action that marks the document changed records one undo step (undo_history.h)
// holding the saved state from before it; undo and redo apply such a state and show it. An
// action that is refused, or that leaves every value as it was (Return on an unchanged field,
// the timbre chosen again, a cell left as it was), neither marks the document nor records a
// step.
//
// It never reads a widget: the window calls these with the values the user set, and the
// document shows values and asks for redraws through CurveView and DocumentView, and sends
// the volume and the pitch-true choice through SynthChannel. Until a window attaches, all three are
// null objects.
//
// Threads: everything runs on the user-interface thread, except chord_for_key and
// published_chord_map, which any thread may use (the MIDI receive thread plays from them).
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "document/actions.h"
#include "document/chord_map_editor.h"
#include "document/curve.h"
#include "document/curve_view.h"
#include "document/document_view.h"
#include "document/ratio_tables.h"
#include "document/scale_tuning.h"
#include "document/synth_channel.h"
#include "document/table_cells.h"
#include "document/undo_history.h"
#include "engine/dissonance_kernel.h"
#include "persistence/document_file.h"

namespace kelvara {

class Document {
public:
    // A new document (see Curve and RatioTables for its values), volume 64, pitch-true,
    // unchanged.
    Document();
    // Lends the curve view null arrays before the curve's arrays go.
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // --- window ---------------------------------------------------------------------------
    // The window's views, which must outlive the attachment (the document lends the curve
    // view null arrays when it goes). Attaching shows nothing yet; the window then calls
    // show_all(). From then on a file read into the document shows everything again by
    // itself.
    void attach_views(CurveView& curve_view, DocumentView& document_view);
    // A view of the fields and tables only (the command line): the curve draws into
    // nothing.
    void attach_views(DocumentView& document_view);
    // Lends the curve view null arrays, then draws and shows into null objects again.
    void detach_views();
    // The synthesizer channel the volume goes to; it must outlive the attachment.
    void attach_synth_channel(SynthChannel& channel) { channel_ = &channel; }
    void detach_synth_channel() { channel_ = &null_channel_; }
    // Shows every value, samples the curve, lends the arrays to the curve view and redraws
    // it, and sends the volume and the pitch-true choice to the synthesizer: what a window
    // does once it is built.
    void show_all();

    // --- change count and undo ---------------------------------------------------------------
    // Done: records an undo step (for an action, the state from before it; called by hand,
    // a step back to the same values). Undone: undo(). Cleared: the values are saved as
    // they are now.
    void update_change_count(ChangeKind kind);
    // Whether the values differ from the file's (or a new document's) along the history:
    // undoing back to the saved values clears it.
    bool is_edited() const { return !history_.at_saved_state(); }
    // The values are in no file (a document restored after a crash): edited until saved.
    void mark_unsaved();

    bool can_undo() const { return history_.can_undo(); }
    bool can_redo() const { return history_.can_redo(); }
    std::optional<EditName> undo_name() const { return history_.undo_name(); }
    std::optional<EditName> redo_name() const { return history_.redo_name(); }
    // Puts back the values from before the latest action (redo: from before the latest
    // undo), all of them, and shows them as a read file is shown: fields, tables, curve,
    // volume. Nothing to undo (or redo): the beep.
    void undo();
    void redo();
    // Between these two (a slider drag), the changes of one action form one undo step.
    void begin_continuous_edit();
    void end_continuous_edit();

    // --- the curve --------------------------------------------------------------------------
    // Each refused value (base/value_limits.h, engine_limits.h) answers with the beep and
    // the reason (DocumentView::show_refusal), shows the stored value again and leaves every
    // field, array, the edited mark and the undo history as they were. A value equal to the
    // stored one shows the stored value again and records nothing either. The x range stays within
    // the ratio bounds and both ranges go from a lower to a higher value.
    void set_step_size(float step);
    // Refused for a custom timbre, whose overtone count is the number of its partials.
    void set_number_of_overtones(int32_t count);
    // Types 0 to 5, or CustomPartials: a parametric timbre becomes a custom one holding its
    // own partials (timbre_partials), the starting point for editing them; a custom timbre
    // leaves its partials for the type chosen, with as many overtones as it had partials.
    void set_overtone_type(int32_t type);
    void set_base_frequency(float hertz);
    void set_bound(BoundField field, float value);
    // Both ranges at once (a zoom or pan of the graph), under the rules of set_bound: all
    // four ends are taken or none, and the curve is resampled when the x range moved. Inside
    // a continuous edit, a whole gesture is one undo step.
    void set_graph_ranges(float x_min, float x_max, float y_min, float y_max);
    void set_plot_flags(PlotFlags flags);
    // Fits the y range to the curve and redraws (not a change of the document).
    void fit_y_range();
    // Samples the curve for the current values. A new or read document has no samples until
    // a window shows it, an edit resamples it, or this runs.
    void sample_curve();

    // --- a custom timbre and the roughness model (document_partial_actions.cpp) -----------
    // Sets the custom timbre to this partial list, whatever the timbre was: the one action a
    // starting point, a recording's analysis or a script ends in. Refused (the beep and the
    // reason, nothing changed, no undo step) for a list that cannot be a timbre
    // (custom_partials_refusal: 1 to kMaxCustomPartials partials, each ratio and amplitude
    // within its bounds). The list already held changes nothing; otherwise one undo step
    // named `name`, then: the timbre pop-up shows Custom, the partial table and the overtone
    // count are shown again, resample, refit y, redraw.
    bool set_custom_partials(std::vector<Partial> partials,
                             EditName name = EditName::CustomPartials);
    // The partial table's buttons (selected row from DocumentView::selected_row); refused
    // with the reason when the timbre is not custom. Follow-up as set_custom_partials.
    void partial_action(PartialAction action);
    // Numbers pasted down one column of the partial table from `first_row`, as one undo step
    // (partial_list.h: with_pasted_column says what is appended and what is refused).
    bool paste_partial_column(TableColumn column, int32_t first_row,
                              std::span<const double> values);
    // The weight of a pair of partials in every curve: one undo step, resample, refit y,
    // redraw; the model already in force changes nothing.
    void set_roughness_model(RoughnessModel model);

    // --- the ratio tables and the chord map -------------------------------------------------
    // Every refused action beeps, says why and ends there: no change mark, no undo step.
    // Otherwise a scale action or
    // preset ends with: mark changed, reload the scale table, resample, redraw; a fixed-tone
    // action: mark changed, reload, resample, refit y, redraw; a chord action: mark changed,
    // reload the chord table. Selected rows come from DocumentView::selected_row.
    void scale_action(ScaleAction action);
    // Replace (the default) makes the preset's values the scale; Add puts in those not in it
    // already. Either is one undo step; an Add that finds nothing new changes nothing.
    void add_scale_preset(ScalePreset preset, ScaleGeneratorFields fields = {},
                          ScaleImportMode mode = ScaleImportMode::Replace);
    void fixed_tone_action(FixedToneAction action);
    void chord_action(ChordAction action);
    // Replaces the whole fixed-tone list, as a script does: refused (with the beep and the
    // reason, nothing changed) for more than kMaxDissonanceRatios ratios or a ratio outside
    // the bounds. Runs the follow-up of a fixed-tone action.
    bool set_fixed_tones(std::span<const float> ratios);
    // Minima → Scale: the ratios of the curve's minima (document_minima.h) whose prominence
    // is at least `min_prominence`, narrowed to 32 bits, replace the scale or join it.
    // Refused with the beep and the reason (nothing changed, no undo step) when the curve
    // cannot be searched or the scale would hold more than kMaxGeneratedRatios ratios; a scale
    // left as it was records nothing; otherwise the follow-up of a scale action.
    bool minima_to_scale(MinimaToScale mode, double min_prominence);

    // The three tables' data. Rows count from 0; a row outside a table gives no value.
    int32_t row_count(DocumentTable table) const;
    std::optional<CellValue> cell_value(DocumentTable table, TableColumn column, int32_t row) const;
    // Applies one cell edit; a refused value beeps and says why. An edit that changed a
    // value then marks the document changed (one undo step), resamples and redraws; a cell
    // left at its stored value records nothing.
    void edit_cell(DocumentTable table, TableColumn column, int32_t row, const CellValue& value);
    // Moves the cursor line to the selected scale ratio, if one is selected.
    void selection_changed();

    // --- volume (MIDI controller 7 of the document's synthesizer) -------------------------
    // The user moved the volume slider: store, send, and mark the document changed.
    void set_volume(int32_t volume);
    int32_t volume() const { return volume_; }

    // --- pitch-true playback or the bank's own tuning --------------------------------------
    // The user changed the choice: store, send, and mark the document changed.
    void set_pitch_true(bool on);
    bool pitch_true() const { return pitch_true_; }

    // --- tuning files and the keyboard (document_tuning_actions.cpp) -----------------------
    // Puts a scale file into the scale table: the scale laid out by its period across the x
    // range (values outside the table's ratio bounds left out), replacing the table or added
    // to it. A keyboard mapping given sets the base frequency as well: the frequency its
    // mapping gives the scale's 1/1. One undo step; then: mark changed, reload the scale
    // table, resample, redraw (and refit y when the base frequency changed). Refused, with
    // nothing changed, for a pitch outside kMinScaleRatio..kMaxScaleRatio, more than
    // kMaxExpandedRatios values in the table, or a base frequency that is not 20-20000 Hz.
    Result<void> import_scale(const ScalaScale& scale, ScaleImportMode mode,
                              const std::optional<KeyboardMapping>& mapping = std::nullopt);
    // Fills the chord map so that each key plays one scale step: the reference key the base
    // frequency, the key above it the next step, repeating by the period up and down (the
    // tuning of scale_tuning() for the table). A key whose frequency falls outside
    // kMinKeyFrequencyHz..kMaxKeyFrequencyHz is left as it is; each other key gets a chord of
    // its one frequency, replacing its old chord (new keys are appended in key order). One
    // undo step; then: mark changed, reload the chord table. Returns the number of keys
    // filled; refused as scale_tuning() refuses, with nothing changed.
    Result<int32_t> map_scale_to_keys(const TuningChoice& choice);
    // The tuning of the scale table at the document's base frequency (scale_tuning()).
    Result<ScaleTuning> scale_tuning(const TuningChoice& choice,
                                     std::string description = {}) const;

    // --- parts, read-only -------------------------------------------------------------------
    const Curve& curve() const { return curve_; }
    const RatioTables& tables() const { return tables_; }
    const ChordMapEditor& chords() const { return chords_; }
    // Any thread: the chord of a key as last published, or null.
    std::shared_ptr<const Chord> chord_for_key(int32_t key) const {
        return chords_.chord_for_key(key);
    }
    const PublishedChordMap& published_chord_map() const { return chords_.published(); }

    // --- saved state (document_state.cpp) ---------------------------------------------------
    // The values a document file stores, as the document holds them now.
    DocumentFileState state() const;
    // Replaces every saved value with the state's, all or nothing: a state the document
    // cannot hold is refused (unreadable_document_error) and changes nothing. An accepted
    // one rebuilds the arrays for its step and overtone count, shows the overtone count and
    // reloads the chord table; with views attached, everything is shown again (show_all).
    // Not a change of the document, and not undoable: the undo history is forgotten. When
    // the reader brought values into bounds (state.clamped_on_read), the document holds
    // values its file does not: it is edited until saved, whatever is undone (as a
    // recovered document), and no undo step leads back to the file's values, which no
    // document may hold.
    Result<void> apply_state(const DocumentFileState& state);
    // What the last apply_state's reader brought into bounds, one line each; empty when the
    // file was read as it was.
    const std::vector<std::string>& values_clamped_on_read() const { return clamped_on_read_; }

    // Replaces the sampling kernel (benchmarks and tests compare kernels through this).
    void set_kernel(std::unique_ptr<DissonanceKernel> kernel) {
        curve_.set_kernel(std::move(kernel));
    }

private:
    // The state before the running action, for the undo step its change mark records.
    struct PendingEdit {
        EditName name;
        DocumentFileState before;
    };
    // Holds the pending edit for one action's entry point; an action inside another (none
    // today) records under the outer one's name.
    class EditScope {
    public:
        EditScope(Document& document, EditName name);
        ~EditScope();
        EditScope(const EditScope&) = delete;
        EditScope& operator=(const EditScope&) = delete;

    private:
        Document& document_;
        bool outermost_;
    };
    void record_undo_step();
    // Replaces every saved value with the state's, unchecked: apply_state checks first;
    // undo and redo put back states the document held.
    void put_state(const DocumentFileState& state);
    void step_through_history(bool forward);

    // The steps that show one group of values.
    void show_bounds();
    void show_plot_flags();
    PlotFlags plot_flags() const {
        return {curve_.plot_justs(), curve_.plot_selected_ratio(), curve_.plot_dy()};
    }
    void show_fitted_slope();
    void send_volume();
    void send_pitch_true();
    // The partials of the timbre, to the "Document timbre" program.
    void send_timbre();
    // Beeps and says why (DocumentView::show_refusal).
    void refuse(const std::string& message);
    // Beeps, says why and shows the stored value again.
    void refuse(FloatField shown_again, const std::string& message);
    // Why a new bound is refused (value_limits.h, an empty or unsampleable range); nothing
    // when it is accepted.
    std::optional<std::string> bound_refusal(BoundField field, float value) const;
    // Why a pair of ranges is refused, by the same rules; nothing when both are accepted.
    std::optional<std::string> ranges_refusal(float x_min, float x_max, float y_min,
                                              float y_max) const;
    // Resamples, optionally refits y, and redraws.
    void resample_and_redraw(bool refit_y);
    // Shows the timbre as it now is (pop-up, overtone count, partial table), then resamples,
    // refits y and redraws: the follow-up of every timbre change.
    void show_timbre_and_resample();
    void refit_y_and_show();
    // A cell of the partial table (edit_cell's part for it).
    void edit_partial_cell(TableColumn column, int32_t row, const CellValue& value);
    // The fixed tones in hertz at the base frequency, or why they cannot be a chord.
    Result<Chord> fixed_tones_as_chord() const;
    // The selected row of a table, if the table has that row.
    std::optional<size_t> selected_row(DocumentTable table) const;

    Curve curve_;
    RatioTables tables_;
    ChordMapEditor chords_;
    // The channel volume; 64 until the user or a file sets it. Saved with the document; the
    // synthesizer takes it when the window is shown.
    int32_t volume_ = kDefaultVolume;
    // Pitch-true playback unless the user asks for the bank's own tuning. Saved with the
    // document; the synthesizer takes it when the window is shown.
    bool pitch_true_ = true;
    UndoHistory history_;
    std::optional<PendingEdit> pending_edit_;
    // Inside a continuous edit, and whether its undo step is recorded already.
    bool continuous_edit_ = false;
    bool continuous_step_recorded_ = false;
    std::vector<std::string> clamped_on_read_;

    NullCurveView null_curve_view_;
    NullDocumentView null_document_view_;
    NullSynthChannel null_channel_;
    CurveView* curve_view_ = &null_curve_view_;
    DocumentView* view_ = &null_document_view_;
    SynthChannel* channel_ = &null_channel_;
    bool has_views_ = false;
};

}  // namespace kelvara
