// Construction, destruction, the change count and the window-built steps of a document.
#include "document/document.h"

#include "engine/engine_limits.h"

namespace kelvara {
namespace {

// Colours of the graph, as the window gives them to the view.
constexpr Rgba kCurveColor{0.0f, 0.0f, 0.0f, 0.666f};
constexpr Rgba kDerivativeColor{0.0f, 0.0f, 1.0f, 0.666f};
constexpr Rgba kBackgroundColor{0.0f, 0.7f, 0.0f, 0.5f};
constexpr Rgba kTextColor{0.0f, 0.0f, 0.0f, 1.0f};

}  // namespace

KelvaraDocument::KelvaraDocument() : _kernel(make_default_kernel()) {
    _scale_ratios.clear();
    _dissonance_ratios = {1.0f};
    _x_min = 1.0f;
    _overtone_type = GeometricHarmonics;
    _y_min = 0.0f;
    _base_frequency = 440.0;
    _x_max = 2.0f;
    _y_max = 4.0f;
    _step_size = static_cast<double>(0.005f);
    build_x_y_arrays();
    _number_of_overtones = 25;
    build_partials_arrays();
    _plot_dy = false;
    _plot_justs = false;
    _plot_selected_ratio = false;
    updateGraphBounds();
}

KelvaraDocument::~KelvaraDocument() {
    // The view must never hold freed arrays: take them back before they go.
    if (_scale_view) _scale_view->set_value_arrays_x_y(nullptr, nullptr);
    _x_values.reset();
    _y_values.reset();
    _partials.reset();
    _amplitudes.reset();
}

void KelvaraDocument::set_kernel(std::unique_ptr<DissonanceKernel> kernel) {
    _kernel = std::move(kernel);
    _kernel->reserve(kMaxTones * _number_of_overtones);
}

void KelvaraDocument::updateChangeCount(ChangeKind kind) {
    const bool was_edited = isDocumentEdited();
    switch (kind) {
        case ChangeKind::Done: ++_change_count; break;
        case ChangeKind::Undone: --_change_count; break;
        case ChangeKind::Cleared: _change_count = 0; break;
    }
    if (_controls && was_edited != isDocumentEdited())
        _controls->document_edited_changed(isDocumentEdited());
}

void KelvaraDocument::windowControllerDidLoadNib() {
    reload_table(DocumentTable::ScaleRatios);
    reload_table(DocumentTable::DissonanceRatios);
    updateWaveformSelector();
    updateBaseFrequency();
    updateGraphBounds();
    if (_scale_view) {
        _scale_view->set_curve_color_fill(&kCurveColor, &kCurveColor);
        _scale_view->set_dy_curve_color_fill(&kDerivativeColor, &kDerivativeColor);
        _scale_view->set_bg_color(&kBackgroundColor);
        _scale_view->set_text_color(&kTextColor);
    }
    if (_controls) {
        _controls->show_number_of_overtones(_number_of_overtones);
        _controls->show_float(FloatField::StepSize, static_cast<float>(_step_size));
    }
    updatePlotButtons();
    compute_array_entries();
    get_dydx_scale_bounds();
    if (_scale_view) {
        _scale_view->set_should_draw_derivative(_plot_dy);
        _scale_view->set_value_arrays_x_y(_x_values.get(), _y_values.get());
        _scale_view->update_graph(_number_of_points);
    }
    update_volume();
}

void KelvaraDocument::beep() const {
    if (_controls) _controls->beep();
}

void KelvaraDocument::show_float(FloatField field, float value) const {
    if (_controls) _controls->show_float(field, value);
}

}  // namespace kelvara
