// The actions of the timbre, range and plot controls, each returning its follow-up.
#include "document/curve_actions.h"

#include <cmath>

#include "base/value_limits.h"
#include "document/document.h"
#include "engine/curve_definition.h"
#include "engine/engine_limits.h"
#include "engine/prominence_threshold.h"
#include "scales/decimal_text.h"

namespace kelvara {
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

void CurveActions::set_step_size(float value) {
    document_.act(EditName::StepSize, [&]() -> FollowUp {
        Curve& curve = document_.curve_;
        const double step = value;
        if (step == curve.step_size()) {
            document_.view_->show_float(FloatField::StepSize, static_cast<float>(step));
            return {};
        }
        if (!(step > 0.0) || !std::isfinite(step)) {
            document_.refuse(FloatField::StepSize, "The step must be a number above 0.");
            return {};
        }
        if (!curve_capacity_for_step(step)) {
            document_.refuse(FloatField::StepSize,
                             "The step must be at least " + number_text(smallest_step()) + ".");
            return {};
        }
        if (!curve.accepts_step(step)) {
            document_.refuse(FloatField::StepSize,
                             "At this step the ratio range needs more samples than the curve "
                             "holds; narrow the range first.");
            return {};
        }
        curve.set_step_size(step);
        return {.changed = true, .resample = true, .lend_arrays = true, .redraw = true};
    });
}

void CurveActions::set_number_of_overtones(int32_t count) {
    document_.act(EditName::NumberOfOvertones, [&]() -> FollowUp {
        Curve& curve = document_.curve_;
        DocumentView& view = *document_.view_;
        if (count == curve.number_of_overtones()) {
            view.show_number_of_overtones(count);
            return {};
        }
        if (curve.overtone_type() == CustomPartials) {
            document_.refuse(
                "A custom timbre has as many overtones as partials: add or delete partials.");
            view.show_number_of_overtones(curve.number_of_overtones());
            return {};
        }
        if (auto outside = value_refusal(BoundedValue::Overtones, count)) {
            document_.refuse(*outside);
            view.show_number_of_overtones(curve.number_of_overtones());
            return {};
        }
        curve.set_number_of_overtones(count);
        return kTimbreChanged;
    });
}

void CurveActions::set_overtone_type(int32_t type) {
    document_.act(EditName::Timbre, [&]() -> FollowUp {
        Curve& curve = document_.curve_;
        if (!is_valid_overtone_type(type)) {
            document_.refuse("Unknown timbre.");
            document_.view_->select_timbre(curve.overtone_type());
            return {};
        }
        if (type == curve.overtone_type()) return {};
        if (type == CustomPartials) {
            // The timbre as it sounds now is where editing starts.
            document_.timbre_actions().set_custom_partials(timbre_partials(curve.timbre()),
                                                           EditName::Timbre);
            return {};
        }
        curve.set_overtone_type(type);
        return kTimbreChanged;
    });
}

void CurveActions::set_base_frequency(float frequency_hz) {
    document_.act(EditName::BaseFrequency, [&]() -> FollowUp {
        Curve& curve = document_.curve_;
        if (static_cast<double>(frequency_hz) == curve.base_frequency()) {
            document_.view_->show_float(FloatField::BaseFrequency, frequency_hz);
            return {};
        }
        if (auto outside = value_refusal(BoundedValue::BaseFrequencyHz, frequency_hz)) {
            document_.refuse(FloatField::BaseFrequency, *outside);
            return {};
        }
        curve.set_base_frequency(frequency_hz);
        return {.changed = true, .resample = true, .refit_y = true, .redraw = true};
    });
}

std::optional<std::string> CurveActions::bound_refusal(BoundField field, float value) const {
    const Curve& curve = document_.curve_;
    const bool is_x = field == BoundField::XMin || field == BoundField::XMax;
    const bool is_min = field == BoundField::XMin || field == BoundField::YMin;
    if (is_x) {
        if (auto outside = value_refusal(BoundedValue::RangeRatio, value)) return outside;
    } else if (!std::isfinite(value)) {
        return "The dissonance range must be a number.";
    }
    const float other = curve.bound(is_x ? (is_min ? BoundField::XMax : BoundField::XMin)
                                         : (is_min ? BoundField::YMax : BoundField::YMin));
    const float low = is_min ? value : other;
    const float high = is_min ? other : value;
    if (!(low < high))
        return std::string(is_x ? "The ratio range" : "The dissonance range") +
               " must go from a lower to a higher value (" + number_text(low) + " to " +
               number_text(high) + " is empty).";
    if (is_x && !curve.accepts_x_range(low, high))
        return "The ratio range " + number_text(low) + " to " + number_text(high) +
               " needs more samples than the step allows; widen the step first.";
    return std::nullopt;
}

void CurveActions::set_bound(BoundField field, float value) {
    // Whatever happens, the fields show the range in force afterwards.
    if (value == document_.curve_.bound(field)) {
        document_.view_->show_float(shown_as(field), value);
        return;
    }
    const bool is_x = field == BoundField::XMin || field == BoundField::XMax;
    document_.act(is_x ? EditName::RatioRange : EditName::DissonanceRange, [&]() -> FollowUp {
        if (const std::optional<std::string> refused = bound_refusal(field, value)) {
            document_.refuse(*refused);
            return {.show_bounds = true};
        }
        document_.curve_.set_bound(field, value);
        return {.changed = true, .graph_ranges = true, .resample = is_x, .redraw = true};
    });
}

std::optional<std::string> CurveActions::ranges_refusal(float x_min, float x_max, float y_min,
                                                        float y_max) const {
    for (const float end : {x_min, x_max})
        if (auto outside = value_refusal(BoundedValue::RangeRatio, end)) return outside;
    if (!(x_min < x_max))
        return "The ratio range must go from a lower to a higher value (" + number_text(x_min) +
               " to " + number_text(x_max) + " is empty).";
    if (!document_.curve_.accepts_x_range(x_min, x_max))
        return "The ratio range " + number_text(x_min) + " to " + number_text(x_max) +
               " needs more samples than the step allows; widen the step first.";
    if (!std::isfinite(y_min) || !std::isfinite(y_max))
        return "The dissonance range must be a number.";
    if (!(y_min < y_max))
        return "The dissonance range must go from a lower to a higher value (" +
               number_text(y_min) + " to " + number_text(y_max) + " is empty).";
    return std::nullopt;
}

void CurveActions::set_graph_ranges(float x_min, float x_max, float y_min, float y_max) {
    Curve& curve = document_.curve_;
    const bool x_moved = x_min != curve.x_min() || x_max != curve.x_max();
    if (!x_moved && y_min == curve.y_min() && y_max == curve.y_max()) return;
    document_.act(EditName::GraphRanges, [&]() -> FollowUp {
        if (const std::optional<std::string> refused = ranges_refusal(x_min, x_max, y_min, y_max)) {
            document_.refuse(*refused);
            return {.show_bounds = true};
        }
        curve.set_bound(BoundField::XMin, x_min);
        curve.set_bound(BoundField::XMax, x_max);
        curve.set_bound(BoundField::YMin, y_min);
        curve.set_bound(BoundField::YMax, y_max);
        return {.changed = true, .show_bounds = true, .resample = x_moved, .redraw = true};
    });
}

void CurveActions::set_plot_flags(PlotFlags flags) {
    const PlotFlags before = document_.plot_flags();
    if (flags == before) return;
    document_.act(EditName::PlotToggles, [&]() -> FollowUp {
        document_.curve_.set_plot_flags(flags.just_ratios, flags.selected_ratio, flags.slope);
        return {.changed = true, .show_plot_flags = true, .redraw = flags.slope != before.slope};
    });
}

void CurveActions::set_graph_choices(const GraphChoices& choices) {
    if (choices == document_.graph_choices_) return;
    document_.act(EditName::GraphChoices, [&]() -> FollowUp {
        if (!is_valid_prominence_threshold(choices.prominence)) {
            document_.refuse(
                "The prominence must be a number 0 or more, or a percentage from 0% to 100%.");
        } else if (!(choices.just_tolerance_cents >= 0.0 &&
                     choices.just_tolerance_cents <= kMaxMinimaJustToleranceCents)) {
            document_.refuse("The just-ratio tolerance must be 0 to 50 cents.");
        } else if (choices.just_odd_limit < 0 || choices.just_odd_limit > kMaxJustOddLimit) {
            document_.refuse("The odd limit must be 0 (none) to 999.");
        } else {
            document_.graph_choices_ = choices;
            return {.changed = true, .show_graph_choices = true};
        }
        document_.view_->show_graph_choices(document_.graph_choices_);
        return {};
    });
}

void CurveActions::fit_y_range() {
    // Not an edit, yet an action that went through: an earlier refusal no longer applies.
    document_.view_->clear_refusal();
    document_.follow_up({.refit_y = true, .redraw = true});
}

void CurveActions::set_kernel(std::unique_ptr<DissonanceKernel> kernel) {
    document_.curve_.set_kernel(std::move(kernel));
}

}  // namespace kelvara
