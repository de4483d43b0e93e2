// The actions of the timbre and plot controls, and the operations that show their values.
#include <cmath>

#include "document/document.h"
#include "engine/engine_limits.h"

namespace kelvara {

void KelvaraDocument::updateWaveformSelector() {
    if (_controls) _controls->select_waveform(_overtone_type);
}

void KelvaraDocument::updateBaseFrequency() {
    show_float(FloatField::BaseFrequency, static_cast<float>(_base_frequency));
}

void KelvaraDocument::updatePlotButtons() {
    if (_controls) _controls->show_plot_segments(_plot_justs, _plot_selected_ratio, _plot_dy);
    if (_scale_view) {
        _scale_view->set_should_draw_justs(_plot_justs);
        _scale_view->set_should_plot_line(_plot_selected_ratio);
    }
    get_dydx_scale_bounds();
    if (_scale_view) _scale_view->set_should_draw_derivative(_plot_dy);
}

void KelvaraDocument::show_stored_value(FloatField field) const {
    show_float(field, field == FloatField::StepSize ? static_cast<float>(_step_size)
                                                    : static_cast<float>(_base_frequency));
}

void KelvaraDocument::step_size_changed(float value) {
    const double step = value;
    if (step == _step_size) return;
    // Refused: a step that is not finite or not positive, one whose arrays would exceed
    // kMaxCurvePoints, and one at which the current x range needs more samples than the
    // new arrays hold (this includes a step too small to move a 32-bit x).
    const auto capacity = curve_capacity_for_step(step);
    if (!capacity || !x_range_fits(_x_min, _x_max, step, *capacity)) {
        beep();
        show_stored_value(FloatField::StepSize);
        return;
    }
    _step_size = step;
    updateChangeCount(ChangeKind::Done);
    build_x_y_arrays();
    compute_array_entries();
    if (_scale_view) {
        _scale_view->set_value_arrays_x_y(_x_values.get(), _y_values.get());
        _scale_view->update_graph(_number_of_points);
    }
}

void KelvaraDocument::number_of_overtones_changed(int32_t value) {
    if (value == _number_of_overtones) return;
    if (!is_valid_number_of_overtones(value)) {
        beep();
        if (_controls) _controls->show_number_of_overtones(_number_of_overtones);
        return;
    }
    _number_of_overtones = value;
    updateChangeCount(ChangeKind::Done);
    build_partials_arrays();
    compute_array_entries();
    auto_update_y_scale();
    if (_scale_view) {
        _scale_view->set_value_arrays_x_y(_x_values.get(), _y_values.get());
        _scale_view->update_graph(_number_of_points);
    }
}

void KelvaraDocument::resample_and_redraw(bool refit_y) {
    compute_array_entries();
    if (refit_y) auto_update_y_scale();
    if (_scale_view) _scale_view->update_graph(_number_of_points);
}

void KelvaraDocument::waveformSelected(int32_t tag) {
    if (!is_valid_overtone_type(tag)) {
        beep();
        updateWaveformSelector();
        return;
    }
    _overtone_type = tag;
    updateChangeCount(ChangeKind::Done);
    resample_and_redraw(true);
}

void KelvaraDocument::baseFrequencyEdited(float value) {
    // A base frequency must be a positive number of hertz; anything else would give the
    // roughness curve a negative or undefined bandwidth.
    if (!std::isfinite(value) || value <= 0.0f) {
        beep();
        show_stored_value(FloatField::BaseFrequency);
        return;
    }
    _base_frequency = value;
    updateChangeCount(ChangeKind::Done);
    resample_and_redraw(true);
}

void KelvaraDocument::plotPressed(bool justs_segment, bool selected_ratio_segment,
                                  bool derivative_segment) {
    _plot_justs = justs_segment;
    _plot_selected_ratio = selected_ratio_segment;
    if (_scale_view) {
        _scale_view->set_should_draw_justs(_plot_justs);
        _scale_view->set_should_plot_line(_plot_selected_ratio);
    }
    if (derivative_segment != _plot_dy) {
        _plot_dy = derivative_segment;
        get_dydx_scale_bounds();
        if (_scale_view) {
            _scale_view->set_should_draw_derivative(_plot_dy);
            _scale_view->update_graph(_number_of_points);
        }
    }
    updateChangeCount(ChangeKind::Done);
}

}  // namespace kelvara
