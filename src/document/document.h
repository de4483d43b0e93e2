#pragma once
// Document: one open document. It holds three parts, each with one job: the curve (timbre,
// step, ranges, samples: curve.h), the ratio tables (scale ratios and fixed tones:
// ratio_tables.h) and the chord map editor (chord_map_editor.h); and the volume, the
// pitch-true choice and the change count itself. The user's actions come in groups, one class
// for each group of controls (curve_actions.h, timbre_actions.h, table_actions.h,
// tuning_actions.h, playback_actions.h); each action checks the value, changes the part and
// returns what is left to do (follow_up.h), which one function here applies: mark the
// document changed, reload a table, resample, refit a range, redraw.
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
// Threads: everything runs on the user-interface thread, except the chord map as
// published (ChordMapEditor::published and chord_for_key), which any thread may use (the MIDI
// receive thread plays from them).
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
#include "document/curve_actions.h"
#include "document/curve_view.h"
#include "document/document_minima.h"
#include "document/document_view.h"
#include "document/edit_history.h"
#include "document/follow_up.h"
#include "document/playback_actions.h"
#include "document/ratio_tables.h"
#include "document/scale_tuning.h"
#include "document/synth_channel.h"
#include "document/table_actions.h"
#include "document/table_cells.h"
#include "document/timbre_actions.h"
#include "document/tuning_actions.h"
#include "document/undo_history.h"
#include "engine/dissonance_kernel.h"
#include "engine/drawn_curve.h"
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
    // itself. Without a curve view (the command line shows fields and tables only) the
    // curve draws into nothing.
    void attach_views(DocumentView& document_view, CurveView* curve_view = nullptr);
    // Lends the curve view null arrays, then draws and shows into null objects again.
    void detach_views();
    // The synthesizer channel the volume goes to; it must outlive the attachment.
    void attach_synth_channel(SynthChannel& channel) { channel_ = &channel; }
    void detach_synth_channel() { channel_ = &null_channel_; }
    // Shows every value, samples the curve, lends the arrays to the curve view and redraws
    // it, and sends the volume and the pitch-true choice to the synthesizer: what a window
    // does once it is built.
    void show_all();

    // --- the actions, by the controls they belong to ----------------------------------------
    // Each action checks its values, changes one part and returns its FollowUp, which
    // follow_up applies: an action refused, or one that leaves every value as it was, returns
    // none and so records nothing.
    CurveActions curve_actions() { return CurveActions(*this); }
    TimbreActions timbre_actions() { return TimbreActions(*this); }
    TableActions table_actions() { return TableActions(*this); }
    TuningActions tuning_actions() { return TuningActions(*this); }
    PlaybackActions playback_actions() { return PlaybackActions(*this); }
    // The change mark and the undo history (edit_history.h).
    EditHistory history() { return EditHistory(*this); }
    // Whether the values differ from the file's (or a new document's) along the history:
    // undoing back to the saved values clears it.
    bool is_edited() const { return !history_.at_saved_state(); }

    // Samples the curve for the current values. A new or read document has no samples until
    // a window shows it, an edit resamples it, or this runs.
    void sample_curve();
    // The curve as the view draws it (engine/drawn_curve.h), sampled again at the view's
    // resolution, lent and redrawn. Runs when the view's resolution changes.
    void redraw_visible_curve();
    // The samples lent to the view last: empty when the view shows none (its own samples).
    const DrawnCurve& drawn_curve() const { return drawn_curve_; }
    // The exact minima a search found for `query` (document_minima.h), which may have run on
    // another thread: drawn into the curve while the curve's inputs are still those of the
    // query, and left out once they change.
    void show_exact_minima(MinimaQuery query, std::vector<CurveMinimum> minima);

    // --- parts, read-only -------------------------------------------------------------------
    const Curve& curve() const { return curve_; }
    const RatioTables& tables() const { return tables_; }
    const ChordMapEditor& chords() const { return chords_; }
    // The channel volume (MIDI controller 7 of the document's synthesizer).
    int32_t volume() const { return volume_; }
    // Pitch-true playback, or the bank's own tuning.
    bool pitch_true() const { return pitch_true_; }
    const GraphChoices& graph_choices() const { return graph_choices_; }
    // The three tables' data. Rows count from 0; a row outside a table gives no value.
    int32_t row_count(DocumentTable table) const;
    std::optional<CellValue> cell_value(DocumentTable table, TableColumn column, int32_t row) const;
    // The tuning of the scale table at the document's base frequency (scale_tuning()), each
    // step in the form it was given in, described by the scale's own description when it
    // has one (a scale file's), else by `description`.
    Result<ScaleTuning> scale_tuning(const TuningChoice& choice,
                                     std::string description = {}) const;

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

private:
    friend class CurveActions;
    friend class TimbreActions;
    friend class TableActions;
    friend class TuningActions;
    friend class PlaybackActions;
    friend class EditHistory;

    // The state before the running action, for the undo step its change mark records.
    struct PendingEdit {
        EditName name;
        DocumentFileState before;
    };
    // Holds the pending edit for one action's entry point; an action inside another (a
    // timbre chosen as Custom sets the custom partials) records under the outer one's name.
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
    // Runs one action: the state before it is held for its undo step while `body` checks
    // and changes the values, then the FollowUp the body returns is applied.
    template <typename Body>
    void act(EditName name, Body&& body) {
        const EditScope edit(*this, name);
        follow_up(body());
    }
    // The one follow-up step of every action (follow_up.h says the order).
    void follow_up(const FollowUp& steps);
    // An action went through: one undo step, the edited mark, the Undo item, no refusal.
    void record_change();
    void record_undo_step();
    // Replaces every saved value with the state's, unchecked: apply_state checks first;
    // undo and redo put back states the document held.
    void put_state(const DocumentFileState& state);
    void step_through_history(bool forward);
    void mark_unsaved();

    // Samples the curve again at the view's resolution into drawn_curve_ and lends it.
    void draw_visible_curve();
    // The points the view draws: the drawn curve's, or the document's own samples when the
    // view has no resolution of its own.
    int32_t drawn_curve_count() const;

    // The steps that show one group of values.
    void show_bounds();
    void show_timbre();
    void show_plot_flags();
    PlotFlags plot_flags() const {
        return {curve_.plot_justs(), curve_.plot_selected_ratio(), curve_.plot_slope()};
    }
    void show_fitted_slope();
    void refit_y_and_show();
    void send_volume();
    void send_pitch_true();
    // The partials of the timbre, to the "Document timbre" program.
    void send_timbre();
    // Beeps and says why (DocumentView::show_refusal).
    void refuse(const std::string& message);
    // Beeps, says why and shows the stored value again.
    void refuse(FloatField shown_again, const std::string& message);
    // The selected row of a table, if the table has that row.
    std::optional<size_t> selected_row(DocumentTable table) const;

    Curve curve_;
    DrawnCurve drawn_curve_;  // what the view draws (draw_visible_curve)
    struct ExactMinima {
        MinimaQuery query;
        std::vector<CurveMinimum> minima;
    };
    std::optional<ExactMinima> exact_minima_;
    RatioTables tables_;
    ChordMapEditor chords_;
    // The channel volume; 64 until the user or a file sets it. Saved with the document; the
    // synthesizer takes it when the window is shown.
    int32_t volume_ = kDefaultVolume;
    // Pitch-true playback unless the user asks for the bank's own tuning. Saved with the
    // document; the synthesizer takes it when the window is shown.
    bool pitch_true_ = true;
    GraphChoices graph_choices_;
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
