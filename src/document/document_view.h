#pragma once
// DocumentView: what a document shows in its window besides the curve: the number fields,
// the timbre pop-up, the plot toggles, the volume slider, the tuning choice, the three tables and
// their selected rows, the edited mark, and the beep that answers a refused request. A document
// without a window shows into NullDocumentView: nothing is shown and no row is selected.
//
// Threads: every call runs on the user-interface thread.
#include <cstdint>
#include <optional>
#include <string>

#include "document/curve_view.h"
#include "document/table_cells.h"
#include "engine/roughness_model.h"
#include "persistence/graph_choices.h"

namespace kelvara {

// The text fields that show one float value of the curve.
enum class FloatField { XMin, XMax, YMin, YMax, StepSize, BaseFrequency };

class DocumentView {
public:
    virtual ~DocumentView() = default;

    virtual void show_float(FloatField field, float value) = 0;
    virtual void show_number_of_overtones(int32_t count) = 0;
    // Select the timbre pop-up item whose tag is `overtone_type`.
    virtual void select_timbre(int32_t overtone_type) = 0;
    // The roughness model control shows the model in force.
    virtual void show_roughness_model(RoughnessModel model) { (void)model; }
    // The three independent plot toggles: just ratios, cursor line, slope.
    virtual void show_plot_flags(PlotFlags flags) = 0;
    // The cents-axis and scale-steps toggles, the graph and the Minima panel show the
    // document's choices (persistence/graph_choices.h).
    virtual void show_graph_choices(const GraphChoices& choices) { (void)choices; }
    // The volume slider shows the document's MIDI channel volume (controller 7).
    virtual void show_volume(int32_t volume) = 0;
    // The "Play the bank's own tuning" choice: shown checked when `pitch_true` is false.
    virtual void show_pitch_true(bool pitch_true) = 0;

    // The system beep: a request that could not be carried out.
    virtual void beep() = 0;
    // Why the request just beeped at was refused, one sentence the person can act on
    // ("Overtones must be 1–128."). It stays shown until clear_refusal.
    virtual void show_refusal(const std::string& message) { (void)message; }
    // An edit succeeded: the last refusal no longer applies.
    virtual void clear_refusal() {}
    // The document's edited state changed (the window shows its modified mark).
    virtual void show_edited(bool edited) = 0;
    // What Undo and Redo would do may have changed (Document::undo_name, redo_name).
    virtual void show_undo_steps() {}

    // Show the table's rows again; the document is its data source.
    virtual void reload_table(DocumentTable table) = 0;
    // The selected row of a table, counted from 0 in the order shown; nothing when no row
    // is selected. The document checks the row against its list before using it.
    virtual std::optional<int32_t> selected_row(DocumentTable table) const = 0;
};

// Shows nothing and has no row selected. Derive from it to watch one kind of call (the
// command line counts the beeps).
class NullDocumentView : public DocumentView {
public:
    void show_float(FloatField, float) override {}
    void show_number_of_overtones(int32_t) override {}
    void select_timbre(int32_t) override {}
    void show_plot_flags(PlotFlags) override {}
    void show_volume(int32_t) override {}
    void show_pitch_true(bool) override {}
    void beep() override {}
    void show_edited(bool) override {}
    void reload_table(DocumentTable) override {}
    std::optional<int32_t> selected_row(DocumentTable) const override { return std::nullopt; }
};

}  // namespace kelvara
