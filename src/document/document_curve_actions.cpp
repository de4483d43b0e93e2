// The actions of the timbre, range and plot controls, each with its follow-up.
#include <cmath>

#include "base/value_limits.h"
#include "document/document.h"
#include "engine/curve_definition.h"
#include "engine/engine_limits.h"
#include "scales/decimal_text.h"

namespace kelvara {

void Document::refuse(const std::string& message) {
    view_->beep();
    view_->show_refusal(message);
}

void Document::refuse(FloatField shown_again, const std::string& message) {
    refuse(message);
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
    if (step == curve_.step_size()) {
        view_->show_float(FloatField::StepSize, static_cast<float>(step));
        return;
    }
    if (!(step > 0.0) || !std::isfinite(step)) {
        refuse(FloatField::StepSize, "The step must be a number above 0.");
        return;
    }
    if (!curve_capacity_for_step(step)) {
        refuse(FloatField::StepSize,
               "The step must be at least " + number_text(smallest_step()) + ".");
        return;
    }
    if (!curve_.accepts_step(step)) {
        refuse(FloatField::StepSize,
               "At this step the ratio range needs more samples than the curve holds; "
               "narrow the range first.");
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
    if (count == curve_.number_of_overtones()) {
        view_->show_number_of_overtones(count);
        return;
    }
    if (curve_.overtone_type() == CustomPartials) {
        refuse("A custom timbre has as many overtones as partials: add or delete partials.");
        view_->show_number_of_overtones(curve_.number_of_overtones());
        return;
    }
    if (auto outside = value_refusal(BoundedValue::Overtones, count)) {
        refuse(*outside);
        view_->show_number_of_overtones(curve_.number_of_overtones());
        return;
    }
    curve_.set_number_of_overtones(count);
    send_timbre();
    update_change_count(ChangeKind::Done);
    sample_curve();
    refit_y_and_show();
    curve_view_->lend_arrays(curve_.x_values(), curve_.y_values());
    curve_view_->redraw(curve_.number_of_points());
}

void Document::set_overtone_type(int32_t type) {
    const EditScope edit(*this, EditName::Timbre);
    if (!is_valid_overtone_type(type)) {
        refuse("Unknown timbre.");
        view_->select_timbre(curve_.overtone_type());
        return;
    }
    if (type == curve_.overtone_type()) return;
    if (type == CustomPartials) {
        // The timbre as it sounds now is where editing starts.
        set_custom_partials(timbre_partials(curve_.timbre()), EditName::Timbre);
        return;
    }
    curve_.set_overtone_type(type);
    send_timbre();
    update_change_count(ChangeKind::Done);
    show_timbre_and_resample();
}

void Document::set_base_frequency(float hertz) {
    const EditScope edit(*this, EditName::BaseFrequency);
    if (static_cast<double>(hertz) == curve_.base_frequency()) {
        view_->show_float(FloatField::BaseFrequency, hertz);
        return;
    }
    if (auto outside = value_refusal(BoundedValue::BaseFrequencyHz, hertz)) {
        refuse(FloatField::BaseFrequency, *outside);
        return;
    }
    curve_.set_base_frequency(hertz);
    update_change_count(ChangeKind::Done);
    resample_and_redraw(true);
}

namespace {

FloatField shown_as(BoundField field) {
    switch (field) {
        case BoundField::XMin: return FloatField::XMin;
        case BoundField::XMax: return FloatField::XMax;
        case BoundField::YMin: return FloatField::YMin;
        case BoundField::YMax: return FloatField::YMax;
    }
    return FloatField::XMin;
}

}  // namespace

std::optional<std::string> Document::bound_refusal(BoundField field, float value) const {
    const bool is_x = field == BoundField::XMin || field == BoundField::XMax;
    const bool is_min = field == BoundField::XMin || field == BoundField::YMin;
    if (is_x) {
        if (auto outside = value_refusal(BoundedValue::RangeRatio, value)) return outside;
    } else if (!std::isfinite(value)) {
        return "The dissonance range must be a number.";
    }
    const float other = curve_.bound(is_x ? (is_min ? BoundField::XMax : BoundField::XMin)
                                          : (is_min ? BoundField::YMax : BoundField::YMin));
    const float low = is_min ? value : other;
    const float high = is_min ? other : value;
    if (!(low < high))
        return std::string(is_x ? "The ratio range" : "The dissonance range") +
               " must go from a lower to a higher value (" + number_text(low) + " to " +
               number_text(high) + " is empty).";
    if (is_x && !curve_.accepts_x_range(low, high))
        return "The ratio range " + number_text(low) + " to " + number_text(high) +
               " needs more samples than the step allows; widen the step first.";
    return std::nullopt;
}

void Document::set_bound(BoundField field, float value) {
    // Whatever happens, the fields show the range in force afterwards.
    if (value == curve_.bound(field)) {
        view_->show_float(shown_as(field), value);
        return;
    }
    const bool is_x = field == BoundField::XMin || field == BoundField::XMax;
    const EditScope edit(*this, is_x ? EditName::RatioRange : EditName::DissonanceRange);
    if (const std::optional<std::string> refused = bound_refusal(field, value)) {
        refuse(*refused);
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

std::optional<std::string> Document::ranges_refusal(float x_min, float x_max, float y_min,
                                                    float y_max) const {
    for (const float end : {x_min, x_max})
        if (auto outside = value_refusal(BoundedValue::RangeRatio, end)) return outside;
    if (!(x_min < x_max))
        return "The ratio range must go from a lower to a higher value (" + number_text(x_min) +
               " to " + number_text(x_max) + " is empty).";
    if (!curve_.accepts_x_range(x_min, x_max))
        return "The ratio range " + number_text(x_min) + " to " + number_text(x_max) +
               " needs more samples than the step allows; widen the step first.";
    if (!std::isfinite(y_min) || !std::isfinite(y_max))
        return "The dissonance range must be a number.";
    if (!(y_min < y_max))
        return "The dissonance range must go from a lower to a higher value (" +
               number_text(y_min) + " to " + number_text(y_max) + " is empty).";
    return std::nullopt;
}

void Document::set_graph_ranges(float x_min, float x_max, float y_min, float y_max) {
    const bool x_moved = x_min != curve_.x_min() || x_max != curve_.x_max();
    if (!x_moved && y_min == curve_.y_min() && y_max == curve_.y_max()) return;
    const EditScope edit(*this, EditName::GraphRanges);
    if (const std::optional<std::string> refused = ranges_refusal(x_min, x_max, y_min, y_max)) {
        refuse(*refused);
        show_bounds();
        return;
    }
    curve_.set_bound(BoundField::XMin, x_min);
    curve_.set_bound(BoundField::XMax, x_max);
    curve_.set_bound(BoundField::YMin, y_min);
    curve_.set_bound(BoundField::YMax, y_max);
    update_change_count(ChangeKind::Done);
    show_bounds();
    if (x_moved) sample_curve();
    curve_view_->redraw(curve_.number_of_points());
}

void Document::set_plot_flags(PlotFlags flags) {
    const PlotFlags before = plot_flags();
    if (flags == before) return;
    const EditScope edit(*this, EditName::PlotToggles);
    curve_.set_plot_flags(flags.just_ratios, flags.selected_ratio, flags.slope);
    if (flags.slope != before.slope) show_fitted_slope();
    curve_view_->set_plot_flags(flags);
    if (flags.slope != before.slope) curve_view_->redraw(curve_.number_of_points());
    update_change_count(ChangeKind::Done);
}

void Document::fit_y_range() {
    refit_y_and_show();
    curve_view_->redraw(curve_.number_of_points());
}

}  // namespace kelvara
