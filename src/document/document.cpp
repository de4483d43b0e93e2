// The document's window attachment, the steps that show its values, the volume and the
// pitch-true choice. The actions are in document_curve_actions.cpp and
// document_table_actions.cpp, undo in document_undo.cpp.
#include "document/document.h"

namespace kelvara {
namespace {

// Colours of the graph, as the window gives them to the view.
constexpr Rgba kCurveColor{0.0f, 0.0f, 0.0f, 0.666f};
constexpr Rgba kDerivativeColor{0.0f, 0.0f, 1.0f, 0.666f};
constexpr Rgba kBackgroundColor{0.0f, 0.7f, 0.0f, 0.5f};
constexpr Rgba kTextColor{0.0f, 0.0f, 0.0f, 1.0f};

// The synthesizer takes the value as unsigned: a negative volume arrives as a large value,
// which it limits to 127.
uint32_t controller_value(int32_t volume) {
    return static_cast<uint32_t>(volume);
}

}  // namespace

Document::Document() = default;

Document::~Document() {
    // The view must never hold freed arrays: take them back before they go.
    curve_view_->lend_arrays(nullptr, nullptr);
}

void Document::attach_views(CurveView& curve_view, DocumentView& document_view) {
    curve_view_ = &curve_view;
    view_ = &document_view;
    has_views_ = true;
}

void Document::attach_views(DocumentView& document_view) {
    attach_views(null_curve_view_, document_view);
}

void Document::detach_views() {
    curve_view_->lend_arrays(nullptr, nullptr);
    curve_view_ = &null_curve_view_;
    view_ = &null_document_view_;
    has_views_ = false;
}

void Document::show_all() {
    view_->reload_table(DocumentTable::ScaleRatios);
    view_->reload_table(DocumentTable::FixedTones);
    view_->reload_table(DocumentTable::Partials);
    view_->select_timbre(curve_.overtone_type());
    view_->show_roughness_model(curve_.roughness_model());
    view_->show_float(FloatField::BaseFrequency, static_cast<float>(curve_.base_frequency()));
    show_bounds();
    curve_view_->set_curve_colors(&kCurveColor, &kCurveColor);
    curve_view_->set_slope_colors(&kDerivativeColor, &kDerivativeColor);
    curve_view_->set_background_color(&kBackgroundColor);
    curve_view_->set_text_color(&kTextColor);
    view_->show_number_of_overtones(curve_.number_of_overtones());
    view_->show_float(FloatField::StepSize, static_cast<float>(curve_.step_size()));
    show_plot_flags();
    sample_curve();
    show_fitted_slope();
    curve_view_->lend_arrays(curve_.x_values(), curve_.y_values());
    curve_view_->redraw(curve_.number_of_points());
    send_volume();
    view_->show_volume(volume_);
    send_timbre();
    send_pitch_true();
    view_->show_pitch_true(pitch_true_);
}

void Document::show_bounds() {
    view_->show_float(FloatField::XMin, curve_.x_min());
    view_->show_float(FloatField::XMax, curve_.x_max());
    view_->show_float(FloatField::YMin, curve_.y_min());
    view_->show_float(FloatField::YMax, curve_.y_max());
    curve_view_->set_x_range(curve_.x_min(), curve_.x_max());
    curve_view_->set_y_range(curve_.y_min(), curve_.y_max());
}

void Document::show_plot_flags() {
    const PlotFlags flags = plot_flags();
    view_->show_plot_flags(flags);
    show_fitted_slope();
    curve_view_->set_plot_flags(flags);
}

void Document::show_fitted_slope() {
    if (curve_.fit_slope_range()) curve_view_->set_slope_range(curve_.dy_min(), curve_.dy_max());
}

void Document::send_volume() {
    channel_->set_midi_parameter(kChannelVolumeController, controller_value(volume_));
}

void Document::set_volume(int32_t volume) {
    if (volume == volume_) return;
    const EditScope edit(*this, EditName::Volume);
    volume_ = volume;
    send_volume();
    update_change_count(ChangeKind::Done);
}

void Document::send_timbre() {
    channel_->set_timbre(tone_partials(curve_.timbre()));
}

void Document::send_pitch_true() {
    channel_->set_pitch_true(pitch_true_);
}

void Document::set_pitch_true(bool on) {
    if (on == pitch_true_) return;
    const EditScope edit(*this, EditName::PitchTrue);
    pitch_true_ = on;
    send_pitch_true();
    update_change_count(ChangeKind::Done);
}

}  // namespace kelvara
