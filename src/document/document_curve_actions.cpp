// The actions of the timbre, range and plot controls, each with its follow-up.
#include <cmath>

#include "document/document.h"
#include "engine/engine_limits.h"

namespace kelvara {

void Document::refuse(FloatField shown_again) {
    view_->beep();
    const double stored =
        shown_again == FloatField::StepSize ? curve_.step_size() : curve_.base_frequency();
    view_->show_float(shown_again, static_cast<float>(stored));
}

void Document::sample_curve() {
    curve_.sample(tables_.fixed_tones());
}

void Document::refit_y_and_show() {
    curve_.fit_y_range();
    view_->show_float(FloatField::YMin, curve_.y_min());
    view_->show_float(FloatField::YMax, curve_.y_max());
    curve_view_->set_y_range(curve_.y_min(), curve_.y_max());
    show_fitted_slope();
}

void Document::resample_and_redraw(bool refit_y) {
    sample_curve();
    if (refit_y) refit_y_and_show();
    curve_view_->redraw(curve_.number_of_points());
}

void Document::set_step_size(float value) {
    const EditScope edit(*this, EditName::StepSize);
    const double step = value;
    if (step == curve_.step_size()) return;
    if (!curve_.accepts_step(step)) {
        refuse(FloatField::StepSize);
        return;
    }
    curve_.set_step_size(step);
    update_change_count(ChangeKind::Done);
    sample_curve();
    curve_view_->lend_arrays(curve_.x_values(), curve_.y_values());
    curve_view_->redraw(curve_.number_of_points());
}

void Document::set_number_of_overtones(int32_t count) {
    const EditScope edit(*this, EditName::NumberOfOvertones);
    if (count == curve_.number_of_overtones()) return;
    if (!is_valid_number_of_overtones(count)) {
        view_->beep();
        view_->show_number_of_overtones(curve_.number_of_overtones());
        return;
    }
    curve_.set_number_of_overtones(count);
    update_change_count(ChangeKind::Done);
    sample_curve();
    refit_y_and_show();
    curve_view_->lend_arrays(curve_.x_values(), curve_.y_values());
    curve_view_->redraw(curve_.number_of_points());
}

void Document::set_overtone_type(int32_t type) {
    const EditScope edit(*this, EditName::Timbre);
    if (!is_valid_overtone_type(type)) {
        view_->beep();
        view_->select_timbre(curve_.overtone_type());
        return;
    }
    curve_.set_overtone_type(type);
    update_change_count(ChangeKind::Done);
    resample_and_redraw(true);
}

void Document::set_base_frequency(float hertz) {
    const EditScope edit(*this, EditName::BaseFrequency);
    // A base frequency must be a positive number of hertz; anything else would give the
    // roughness curve a negative or undefined bandwidth.
    if (!std::isfinite(hertz) || hertz <= 0.0f) {
        refuse(FloatField::BaseFrequency);
        return;
    }
    curve_.set_base_frequency(hertz);
    update_change_count(ChangeKind::Done);
    resample_and_redraw(true);
}

void Document::set_bound(BoundField field, float value) {
    if (value == curve_.bound(field)) return;
    const bool is_x = field == BoundField::XMin || field == BoundField::XMax;
    const EditScope edit(*this, is_x ? EditName::RatioRange : EditName::DissonanceRange);
    // A bound that is not a number, or an x range that needs more samples than the curve
    // arrays hold at the current step, is refused rather than sampled.
    const float new_x_min = field == BoundField::XMin ? value : curve_.x_min();
    const float new_x_max = field == BoundField::XMax ? value : curve_.x_max();
    if (!std::isfinite(value) || (is_x && !curve_.accepts_x_range(new_x_min, new_x_max))) {
        view_->beep();
        show_bounds();
        return;
    }
    curve_.set_bound(field, value);
    update_change_count(ChangeKind::Done);
    curve_view_->set_x_range(curve_.x_min(), curve_.x_max());
    curve_view_->set_y_range(curve_.y_min(), curve_.y_max());
    if (is_x) sample_curve();
    curve_view_->redraw(curve_.number_of_points());
}

void Document::set_plot_flags(bool justs, bool selected_ratio, bool derivative) {
    const EditScope edit(*this, EditName::PlotToggles);
    const bool derivative_changed = derivative != curve_.plot_dy();
    curve_.set_plot_flags(justs, selected_ratio, derivative);
    curve_view_->show_just_ratios(justs);
    curve_view_->show_cursor_line(selected_ratio);
    if (derivative_changed) {
        show_fitted_slope();
        curve_view_->show_slope(derivative);
        curve_view_->redraw(curve_.number_of_points());
    }
    update_change_count(ChangeKind::Done);
}

void Document::fit_y_range() {
    refit_y_and_show();
    curve_view_->redraw(curve_.number_of_points());
}

}  // namespace kelvara
