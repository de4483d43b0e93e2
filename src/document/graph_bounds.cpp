// The plotted ranges: fitting y and the derivative to the curve, and the bound fields.
#include <cmath>

#include "document/document.h"
#include "engine/engine_limits.h"
#include "engine/range_fit.h"

namespace kelvara {
void KelvaraDocument::auto_update_y_scale() {
    const FloatRange fitted = fit_y_range(_y_values.get(), _number_of_points);
    _y_min = fitted.min;
    _y_max = fitted.max;
    show_float(FloatField::YMin, _y_min);
    show_float(FloatField::YMax, _y_max);
    if (_scale_view) _scale_view->set_y_axis_min_max(_y_min, _y_max);
    get_dydx_scale_bounds();
}

void KelvaraDocument::get_dydx_scale_bounds() {
    if (!_plot_dy) return;
    const FloatRange fitted =
        fit_derivative_range(_x_values.get(), _y_values.get(), _number_of_points);
    _dy_min = fitted.min;
    _dy_max = fitted.max;
    if (_scale_view) _scale_view->set_dy_axis_min_max(_dy_min, _dy_max);
}

void KelvaraDocument::updateGraphBounds() {
    show_float(FloatField::XMin, _x_min);
    show_float(FloatField::XMax, _x_max);
    show_float(FloatField::YMin, _y_min);
    show_float(FloatField::YMax, _y_max);
    if (_scale_view) {
        _scale_view->set_x_axis_min_max(_x_min, _x_max);
        _scale_view->set_y_axis_min_max(_y_min, _y_max);
    }
}

bool KelvaraDocument::x_range_fits(float x_min, float x_max, double step, int32_t capacity) const {
    return sample_count(x_min, x_max, step, capacity).has_value();
}

void KelvaraDocument::boundsChanged(BoundField field, float value) {
    const bool is_x = field == BoundField::XMin || field == BoundField::XMax;
    float& bound = field == BoundField::XMin   ? _x_min
                   : field == BoundField::XMax ? _x_max
                   : field == BoundField::YMin ? _y_min
                                               : _y_max;
    if (value == bound) return;
    // A bound that is not a number, or an x range that needs more samples than the curve
    // arrays hold at the current step, is refused rather than sampled.
    const float new_x_min = field == BoundField::XMin ? value : _x_min;
    const float new_x_max = field == BoundField::XMax ? value : _x_max;
    if (!std::isfinite(value) ||
        (is_x && !x_range_fits(new_x_min, new_x_max, _step_size, _max_number_of_points))) {
        beep();
        updateGraphBounds();
        return;
    }
    bound = value;
    updateChangeCount(ChangeKind::Done);
    if (_scale_view) {
        _scale_view->set_x_axis_min_max(_x_min, _x_max);
        _scale_view->set_y_axis_min_max(_y_min, _y_max);
    }
    if (is_x) compute_array_entries();
    if (_scale_view) _scale_view->update_graph(_number_of_points);
}

void KelvaraDocument::normalize_y_axis_pressed() {
    auto_update_y_scale();
    if (_scale_view) _scale_view->update_graph(_number_of_points);
}

}  // namespace kelvara
