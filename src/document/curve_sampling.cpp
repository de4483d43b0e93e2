// The curve and partial arrays, the partial list and the sampling of the dissonance curve.
#include <algorithm>
#include <span>

#include "document/document.h"
#include "engine/engine_limits.h"

namespace kelvara {
namespace {

// The ratios of the fixed tones. The ratio tables and the file reader keep the list at
// kMaxDissonanceRatios entries or fewer; should a longer one ever arrive, only the first
// ones sound, so the partial arrays (sized for kMaxTones tones) are never written past.
std::span<const float> fixed_tone_ratios(const std::vector<float>& ratios) {
    const size_t count = std::min<size_t>(ratios.size(), kMaxDissonanceRatios);
    return {ratios.data(), count};
}

}  // namespace

void KelvaraDocument::build_x_y_arrays() {
    // Every step that reaches here was checked by curve_capacity_for_step; an unusable one
    // (not possible from an edit or a file) would leave empty arrays that sampling fills
    // with nothing.
    _max_number_of_points = curve_capacity_for_step(_step_size).value_or(0);
    _number_of_points = 0;
    _x_values = std::make_unique<float[]>(static_cast<size_t>(_max_number_of_points));
    _y_values = std::make_unique<float[]>(static_cast<size_t>(_max_number_of_points));
}

void KelvaraDocument::build_partials_arrays() {
    const auto capacity = static_cast<size_t>(kMaxTones * std::max(_number_of_overtones, 1));
    _partials = std::make_unique<float[]>(capacity);
    _amplitudes = std::make_unique<float[]>(capacity);
    _number_of_partials = 0;
    _kernel->reserve(static_cast<int32_t>(capacity));
}

void KelvaraDocument::build_list_of_partials(float* partials, float* amplitudes) const {
    build_partials(timbre(), fixed_tone_ratios(_dissonance_ratios), partials, amplitudes);
}

void KelvaraDocument::fix_partials_for_step(float* partials, float ratio) const {
    const auto fixed = static_cast<int32_t>(fixed_tone_ratios(_dissonance_ratios).size());
    move_sweep_tone(timbre(), fixed, ratio, partials);
}

void KelvaraDocument::compute_array_entries() {
    float x = _x_min;
    std::fill_n(_x_values.get(), _max_number_of_points, 0.0f);
    std::fill_n(_y_values.get(), _max_number_of_points, 0.0f);

    const auto fixed = static_cast<int32_t>(fixed_tone_ratios(_dissonance_ratios).size());
    _number_of_partials = kelvara::number_of_partials(timbre(), fixed);
    build_list_of_partials(_partials.get(), _amplitudes.get());

    const PartialListView list{_partials.get(), _amplitudes.get(), _number_of_partials,
                               _number_of_partials - partials_per_tone(timbre())};
    _kernel->begin_run(list);

    int32_t count = 0;
    // Every accepted state keeps the samples within the capacity (engine_limits.h); the
    // capacity test only makes that a guarantee of this loop as well.
    while (x <= _x_max && count < _max_number_of_points) {
        fix_partials_for_step(_partials.get(), x);
        const float y = _number_of_partials < 1 ? 0.0f : _kernel->sum(list);
        _x_values[count] = x;
        _y_values[count] = y;
        ++count;
        x = next_sample_x(x, _step_size);
    }
    _number_of_points = count;
}

}  // namespace kelvara
