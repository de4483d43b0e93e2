#include "document/curve.h"

#include "engine/engine_limits.h"
#include "engine/range_fit.h"

namespace kelvara {

Curve::Curve() : step_size_(static_cast<double>(0.005f)), kernel_(make_default_kernel()) {
    set_step_size(step_size_);
    set_number_of_overtones(timbre_.number_of_overtones);
}

float Curve::bound(BoundField field) const {
    switch (field) {
        case BoundField::XMin: return x_min_;
        case BoundField::XMax: return x_max_;
        case BoundField::YMin: return y_min_;
        case BoundField::YMax: return y_max_;
    }
    return 0.0f;
}

bool Curve::accepts_step(double step) const {
    // Refused: a step that is not finite or not positive, one whose arrays would exceed
    // kMaxCurvePoints, and one at which the current x range needs more samples than the
    // new arrays hold (this includes a step too small to move a 32-bit x).
    const auto capacity = curve_capacity_for_step(step);
    return capacity && sample_count(x_min_, x_max_, step, *capacity).has_value();
}

bool Curve::accepts_x_range(float x_min, float x_max) const {
    return x_min < x_max &&
           sample_count(x_min, x_max, step_size_, max_number_of_points_).has_value();
}

void Curve::set_overtone_type(int32_t type) {
    timbre_.overtone_type = type;
    timbre_.custom_partials.clear();
}

void Curve::set_custom_partials(std::vector<Partial> partials) {
    const auto count = static_cast<int32_t>(partials.size());
    timbre_.overtone_type = CustomPartials;
    timbre_.custom_partials = std::move(partials);
    if (count != timbre_.number_of_overtones) set_number_of_overtones(count);
}

void Curve::set_number_of_overtones(int32_t count) {
    timbre_.number_of_overtones = count;
    const size_t capacity = partial_capacity(count);
    partials_ = std::make_unique<float[]>(capacity);
    amplitudes_ = std::make_unique<float[]>(capacity);
    number_of_partials_ = 0;
    kernel_->reserve(static_cast<int32_t>(capacity));
}

void Curve::set_step_size(double step) {
    step_size_ = step;
    // Every step that reaches here was checked by curve_capacity_for_step; an unusable one
    // (not possible from an edit or a file) would leave empty arrays that sampling fills
    // with nothing.
    max_number_of_points_ = curve_capacity_for_step(step).value_or(0);
    number_of_points_ = 0;
    x_values_ = std::make_unique<float[]>(static_cast<size_t>(max_number_of_points_));
    y_values_ = std::make_unique<float[]>(static_cast<size_t>(max_number_of_points_));
}

void Curve::set_bound(BoundField field, float value) {
    switch (field) {
        case BoundField::XMin: x_min_ = value; break;
        case BoundField::XMax: x_max_ = value; break;
        case BoundField::YMin: y_min_ = value; break;
        case BoundField::YMax: y_max_ = value; break;
    }
}

void Curve::set_plot_flags(bool justs, bool selected_ratio, bool derivative) {
    plot_justs_ = justs;
    plot_selected_ratio_ = selected_ratio;
    plot_slope_ = derivative;
}

void Curve::set_kernel(std::unique_ptr<DissonanceKernel> kernel) {
    kernel_ = std::move(kernel);
    kernel_->reserve(static_cast<int32_t>(partial_capacity(timbre_.number_of_overtones)));
}

void Curve::sample(std::span<const float> fixed_tone_ratios) {
    const auto points = static_cast<size_t>(max_number_of_points_);
    const size_t partials = partial_capacity(timbre_.number_of_overtones);
    const SampledCurve sampled =
        sample_curve({timbre_, fixed_tone_ratios, x_min_, x_max_, step_size_, model_}, *kernel_,
                     {{x_values_.get(), points},
                      {y_values_.get(), points},
                      {partials_.get(), partials},
                      {amplitudes_.get(), partials}});
    number_of_points_ = sampled.number_of_points;
    number_of_partials_ = sampled.number_of_partials;
}

void Curve::fit_y_range() {
    const FloatRange fitted = kelvara::fit_y_range(y_values_.get(), number_of_points_);
    y_min_ = fitted.min;
    y_max_ = fitted.max;
}

bool Curve::fit_slope_range() {
    if (!plot_slope_) return false;
    const FloatRange fitted =
        kelvara::fit_slope_range(x_values_.get(), y_values_.get(), number_of_points_);
    slope_min_ = fitted.min;
    slope_max_ = fitted.max;
    return true;
}

}  // namespace kelvara
