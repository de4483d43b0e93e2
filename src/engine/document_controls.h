#pragma once
// What the document shows in, or asks of, its window. The window implements it; tests use a
// recording fake. Every call runs on the user-interface thread.
#include <cstdint>

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

    // Show the chord map again (rows, keys and chords), e.g. after a file was read.
    virtual void reload_chord_table() = 0;

    // The system beep: a request that could not be carried out.
    virtual void beep() = 0;
    // The document's edited state changed (the window shows its modified mark).
    virtual void document_edited_changed(bool edited) = 0;
};

}  // namespace kelvara
