#pragma once
// Fakes of the window's interfaces that keep what was last shown, so a test checks where an
// edit leaves the window rather than the calls that took it there.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "document/curve_view.h"
#include "document/document_view.h"
#include "document/synth_channel.h"

namespace kelvara::testing {

using ShownRange = std::pair<double, double>;

class RecordingCurveView final : public CurveView {
public:
    const float* x_values = nullptr;
    const float* y_values = nullptr;
    int32_t number_of_points = -1;  // -1: never drawn
    ShownRange x_range, y_range, slope_range;
    CurveResolution shown_resolution;  // none: the document lends its own samples

    CurveResolution resolution() const override { return shown_resolution; }
    void lend_arrays(const float* x, const float* y) override {
        x_values = x;
        y_values = y;
    }
    void redraw(int32_t count) override { number_of_points = count; }
    void set_x_range(double lo, double hi) override { x_range = {lo, hi}; }
    void set_y_range(double lo, double hi) override { y_range = {lo, hi}; }
    void set_slope_range(double lo, double hi) override { slope_range = {lo, hi}; }
    void set_plot_flags(PlotFlags) override {}
    void move_cursor_line(float) override {}
    void set_curve_colors(const Rgba*, const Rgba*) override {}
    void set_slope_colors(const Rgba*, const Rgba*) override {}
    void set_background_color(const Rgba*) override {}
    void set_text_color(const Rgba*) override {}
};

class RecordingDocumentView final : public DocumentView {
public:
    std::map<FloatField, float> floats;
    int32_t overtones = 0;
    int32_t timbre = -1;
    std::optional<RoughnessModel> model;
    int beeps = 0;
    // The reason of the refusal shown now; empty once an edit went through.
    std::string refusal;
    bool edited = false;
    std::set<DocumentTable> reloaded;  // tables reloaded since the test last cleared it
    // The selected row of each table, as a test sets it; absent tables have no selection.
    std::map<DocumentTable, int32_t> selected_rows;

    void show_float(FloatField field, float value) override { floats[field] = value; }
    void show_number_of_overtones(int32_t n) override { overtones = n; }
    void select_timbre(int32_t type) override { timbre = type; }
    void show_roughness_model(RoughnessModel m) override { model = m; }
    void show_plot_flags(PlotFlags) override {}
    void show_volume(int32_t) override {}
    void show_pitch_true(bool) override {}
    void beep() override { ++beeps; }
    void show_refusal(const std::string& message) override { refusal = message; }
    void clear_refusal() override { refusal.clear(); }
    void show_edited(bool e) override { edited = e; }
    void reload_table(DocumentTable table) override { reloaded.insert(table); }
    std::optional<int32_t> selected_row(DocumentTable table) const override {
        const auto row = selected_rows.find(table);
        if (row == selected_rows.end()) return std::nullopt;
        return row->second;
    }
};

// The synthesizer channel as the document drives it: every controller value sent, in order,
// as "set_midi_parameter <controller> <value>".
class RecordingSynthChannel final : public SynthChannel {
public:
    std::vector<std::string> calls;
    std::vector<bool> pitch_true_sent;  // kept apart from the call log
    void set_pitch_true(bool on) override { pitch_true_sent.push_back(on); }
    void set_midi_parameter(uint32_t controller, uint32_t value) override {
        calls.push_back("set_midi_parameter " + std::to_string(controller) + " " +
                        std::to_string(value));
    }
};

}  // namespace kelvara::testing
