#pragma once
// The window of a document run from the command line: it shows nothing and counts the
// beeps, each of which is a request the document refused.
#include "document/document_view.h"

namespace kelvara::cli {

class SilentControls : public DocumentControls {
public:
    int beeps = 0;
    void show_float(FloatField, float) override {}
    void show_number_of_overtones(int32_t) override {}
    void select_waveform(int32_t) override {}
    void show_plot_segments(bool, bool, bool) override {}
    void beep() override { ++beeps; }
    void document_edited_changed(bool) override {}
};

}  // namespace kelvara::cli
