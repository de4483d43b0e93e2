#pragma once
// Recording fakes of the two window interfaces: each call is logged as one line, so a test
// can assert the exact order of the recompute pipeline.
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "document/curve_view.h"
#include "document/document_view.h"
#include "document/synth_channel.h"

namespace kelvara::testing {

class CallLog {
public:
    std::vector<std::string> calls;
    // When set, every call is also appended to this log: one timeline across several fakes.
    CallLog* timeline = nullptr;
    void clear() { calls.clear(); }
    // The calls whose text starts with `prefix`, in order.
    std::vector<std::string> named(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }
    // The calls reduced to their names (the text before the first space).
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& c : calls) out.push_back(c.substr(0, c.find(' ')));
        return out;
    }

protected:
    template <typename... Args>
    void log(const char* name, const Args&... args) {
        std::ostringstream line;
        line << name;
        ((line << ' ' << args), ...);
        calls.push_back(line.str());
        if (timeline) timeline->calls.push_back(line.str());
    }
};

inline const char* table_name(DocumentTable table) {
    switch (table) {
        case DocumentTable::ScaleRatios: return "scale";
        case DocumentTable::FixedTones: return "fixed";
        case DocumentTable::MappedChords: return "chords";
    }
    return "?";
}

class RecordingCurveView : public CurveView, public CallLog {
public:
    const float* x_values = nullptr;
    const float* y_values = nullptr;
    int32_t number_of_points = 0;

    void lend_arrays(const float* x, const float* y) override {
        x_values = x;
        y_values = y;
        log("lend_arrays", x == nullptr ? "null" : "x", y == nullptr ? "null" : "y");
    }
    void redraw(int32_t count) override {
        number_of_points = count;
        log("redraw", count);
    }
    void set_x_range(double lo, double hi) override { log("set_x_range", lo, hi); }
    void set_y_range(double lo, double hi) override { log("set_y_range", lo, hi); }
    void set_slope_range(double lo, double hi) override { log("set_slope_range", lo, hi); }
    void show_just_ratios(bool b) override { log("show_just_ratios", b); }
    void show_cursor_line(bool b) override { log("show_cursor_line", b); }
    void show_slope(bool b) override { log("show_slope", b); }
    void move_cursor_line(float r) override { log("move_cursor_line", r); }
    void set_curve_colors(const Rgba*, const Rgba*) override { log("set_curve_colors"); }
    void set_slope_colors(const Rgba*, const Rgba*) override { log("set_slope_colors"); }
    void set_background_color(const Rgba*) override { log("set_background_color"); }
    void set_text_color(const Rgba*) override { log("set_text_color"); }
};

class RecordingDocumentView : public DocumentView, public CallLog {
public:
    int beeps = 0;
    bool edited = false;

    void show_float(FloatField field, float value) override {
        log("show_float", static_cast<int>(field), value);
    }
    void show_number_of_overtones(int32_t n) override { log("show_number_of_overtones", n); }
    void select_timbre(int32_t type) override { log("select_waveform", type); }
    void show_plot_toggles(bool a, bool b, bool c) override { log("show_plot_segments", a, b, c); }
    void show_volume(int32_t v) override { log("show_volume", v); }
    void show_pitch_true(bool) override {}
    void beep() override {
        ++beeps;
        log("beep");
    }
    void show_edited(bool e) override {
        edited = e;
        log("show_edited", e);
    }

    // The selected row of each table, as a test sets it; absent tables have no selection.
    std::map<DocumentTable, int32_t> selected_rows;
    // Runs at each reload, after it is logged: lets a test look at the document right then.
    std::function<void(DocumentTable)> on_reload;

    void reload_table(DocumentTable table) override {
        log("reload_table", table_name(table));
        if (on_reload) on_reload(table);
    }
    std::optional<int32_t> selected_row(DocumentTable table) const override {
        const auto row = selected_rows.find(table);
        if (row == selected_rows.end()) return std::nullopt;
        return row->second;
    }
};

// The synthesizer channel as the document drives it: every controller value sent.
class RecordingSynthChannel : public SynthChannel, public CallLog {
public:
    void set_midi_parameter(uint32_t controller, uint32_t value) override {
        log("set_midi_parameter", controller, value);
    }
    std::vector<bool> pitch_true_sent;  // kept apart from the call log
    void set_pitch_true(bool on) override { pitch_true_sent.push_back(on); }
};

}  // namespace kelvara::testing
