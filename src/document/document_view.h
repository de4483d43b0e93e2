#pragma once
// What the document shows in, or asks of, its window. The window implements it; tests use a
// recording fake. Every call runs on the user-interface thread.
#include <cstdint>
#include <optional>

#include "document/table_cells.h"

namespace kelvara {

// The text fields that show one float value of the engine.
enum class FloatField { XMin, XMax, YMin, YMax, StepSize, BaseFrequency };

class DocumentControls {
public:
    virtual ~DocumentControls() = default;

    virtual void show_float(FloatField field, float value) = 0;
    virtual void show_number_of_overtones(int32_t count) = 0;
    // Select the timbre pop-up item whose tag is `overtone_type`.
    virtual void select_waveform(int32_t overtone_type) = 0;
    // The three independent toggles of the plot control, segments 0 to 2.
    virtual void show_plot_segments(bool justs, bool selected_ratio, bool derivative) = 0;

    // The volume slider shows the document's MIDI channel volume (controller 7). Windowless
    // users (the command line) have no slider.
    virtual void show_volume(int32_t /*volume*/) {}

    // The system beep: a request that could not be carried out.
    virtual void beep() = 0;
    // The document's edited state changed (the window shows its modified mark).
    virtual void document_edited_changed(bool edited) = 0;

    // --- the three tables (scale ratios, fixed tones, chord map) ------------------------
    // Their defaults stand for a window without tables (the command line): nothing to
    // reload, nothing selected.

    // Show the table's rows again; the document is its data source.
    virtual void reload_table(DocumentTable /*table*/) {}
    // The selected row of a table, counted from 0 in the order shown; nothing when no row
    // is selected. The document checks the row against its list before using it.
    virtual std::optional<int32_t> selected_row(DocumentTable /*table*/) const {
        return std::nullopt;
    }
};

}  // namespace kelvara
