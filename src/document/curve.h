#pragma once
// Curve: the dissonance curve of a document. It holds the timbre, the roughness model, the step,
// the plotted ranges and which layers show, the arrays the curve is sampled into (the curve view
// borrows the two sample arrays) and the kernel that samples it. It checks nothing the user
// typed and shows nothing: Document refuses what does not fit, runs each edit's follow-up
// and tells the views. The fixed tones belong to the ratio tables; sampling takes them.
//
// Threads: user-interface thread only.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "document/actions.h"
#include "engine/curve_sampling.h"
#include "engine/dissonance_kernel.h"
#include "engine/partials.h"

namespace kelvara {

class Curve {
public:
    // A new document's curve: 25 geometric harmonics at 440 Hz, x from 1 to 2 at a step of
    // 0.005 (as a float), y from 0 to 4, every layer off, nothing sampled yet.
    Curve();
    Curve(const Curve&) = delete;
    Curve& operator=(const Curve&) = delete;

    // --- state ---------------------------------------------------------------------------
    const Timbre& timbre() const { return timbre_; }
    int32_t overtone_type() const { return timbre_.overtone_type; }
    int32_t number_of_overtones() const { return timbre_.number_of_overtones; }
    // The partials of a custom timbre; empty for a parametric one.
    const std::vector<Partial>& custom_partials() const { return timbre_.custom_partials; }
    RoughnessModel roughness_model() const { return model_; }
    double base_frequency() const { return timbre_.base_frequency; }
    double step_size() const { return step_size_; }
    float x_min() const { return x_min_; }
    float x_max() const { return x_max_; }
    float y_min() const { return y_min_; }
    float y_max() const { return y_max_; }
    float slope_min() const { return slope_min_; }
    float slope_max() const { return slope_max_; }
    float bound(BoundField field) const;
    bool plot_justs() const { return plot_justs_; }
    bool plot_selected_ratio() const { return plot_selected_ratio_; }
    bool plot_slope() const { return plot_slope_; }

    // The samples of the last run (valid: the first number_of_points) and the partial list
    // it ended with.
    const float* x_values() const { return x_values_.get(); }
    const float* y_values() const { return y_values_.get(); }
    int32_t number_of_points() const { return number_of_points_; }
    int32_t max_number_of_points() const { return max_number_of_points_; }
    const float* partials() const { return partials_.get(); }
    const float* amplitudes() const { return amplitudes_.get(); }
    int32_t number_of_partials() const { return number_of_partials_; }

    // Whether a step gives arrays within kMaxCurvePoints that hold the current x range.
    bool accepts_step(double step) const;
    // Whether an x range is not empty (x_min below x_max) and fits the arrays at the current
    // step.
    bool accepts_x_range(float x_min, float x_max) const;

    // --- changes (checked by the caller) ------------------------------------------------
    // A parametric type (0 to 5); a custom list goes. The overtone count stays.
    void set_overtone_type(int32_t type);
    // A custom timbre of these partials (1 to kMaxCustomPartials), the overtone count their
    // number: new partial arrays when the number changes.
    void set_custom_partials(std::vector<Partial> partials);
    void set_roughness_model(RoughnessModel model) { model_ = model; }
    void set_base_frequency(double frequency_hz) { timbre_.base_frequency = frequency_hz; }
    // New partial arrays for the count (their old content is gone until the next run).
    void set_number_of_overtones(int32_t count);
    // New sample arrays for the step (empty until the next run).
    void set_step_size(double step);
    void set_bound(BoundField field, float value);
    void set_plot_flags(bool justs, bool selected_ratio, bool derivative);
    // Replaces the sampling kernel (benchmarks and tests compare kernels through this).
    void set_kernel(std::unique_ptr<DissonanceKernel> kernel);

    // One sampling run over the current x range with these fixed tones.
    void sample(std::span<const float> fixed_tone_ratios);
    // Fits the y range to the samples (range_fit.h).
    void fit_y_range();
    // Fits the slope range to the samples when the slope shows; false (nothing changed)
    // when it does not.
    bool fit_slope_range();

private:
    Timbre timbre_;
    RoughnessModel model_ = RoughnessModel::Product;
    double step_size_;
    float x_min_ = 1.0f, x_max_ = 2.0f;
    float y_min_ = 0.0f, y_max_ = 4.0f;
    float slope_min_ = 0.0f, slope_max_ = 0.0f;
    bool plot_justs_ = false;
    bool plot_selected_ratio_ = false;
    bool plot_slope_ = false;

    std::unique_ptr<float[]> x_values_;
    std::unique_ptr<float[]> y_values_;
    int32_t number_of_points_ = 0;
    int32_t max_number_of_points_ = 0;
    std::unique_ptr<float[]> partials_;
    std::unique_ptr<float[]> amplitudes_;
    int32_t number_of_partials_ = 0;
    std::unique_ptr<DissonanceKernel> kernel_;
};

}  // namespace kelvara
