// Per-pixel sampling of the visible range, and the exact minima put in (drawn_curve.h).
#include "engine/drawn_curve.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>

#include "engine/curve_sampling.h"
#include "engine/dissonance_kernel.h"
#include "engine/engine_limits.h"

namespace kelvara {
namespace {

// A view wider than this many device pixels is drawn at this resolution: beyond any screen.
constexpr int32_t kMaxDrawnPixels = 16384;
// Closer to a sample than this share of the gap to its neighbour, a minimum replaces it.
constexpr double kReplacingShare = 0.25;

bool drawable(float x_min, float x_max, int32_t device_pixels) {
    return std::isfinite(x_min) && std::isfinite(x_max) && x_min > 0.0f && x_min < x_max &&
           device_pixels > 0;
}

// The gap between the samples either side of `at` (the first sample above the minimum), or
// the one gap there is at an end.
double neighbour_gap(const std::vector<float>& x, std::ptrdiff_t at) {
    const auto n = static_cast<std::ptrdiff_t>(x.size());
    if (n < 2) return 0.0;
    const std::ptrdiff_t hi = std::clamp<std::ptrdiff_t>(at, 1, n - 1);
    return static_cast<double>(x[size_t(hi)]) - x[size_t(hi - 1)];
}

void put_in(DrawnCurve& curve, float ratio, float value) {
    std::vector<float>& x = curve.x_values;
    const auto at = std::lower_bound(x.begin(), x.end(), ratio) - x.begin();
    const double near = kReplacingShare * neighbour_gap(x, at);
    for (const std::ptrdiff_t i : {at - 1, at}) {
        if (i < 0 || i >= static_cast<std::ptrdiff_t>(x.size())) continue;
        if (std::fabs(static_cast<double>(x[size_t(i)]) - ratio) <= near) {
            x[size_t(i)] = ratio;
            curve.y_values[size_t(i)] = value;
            return;
        }
    }
    x.insert(x.begin() + at, ratio);
    curve.y_values.insert(curve.y_values.begin() + at, value);
}

}  // namespace

double drawn_step(float x_min, float x_max, RatioAxis axis, int32_t device_pixels) {
    const int32_t pixels = std::clamp(device_pixels, 1, kMaxDrawnPixels);
    const double low = x_min, high = x_max, span = high - low;
    const double per_pixel =
        axis == RatioAxis::Cents ? low * (std::pow(high / low, 1.0 / pixels) - 1.0) : span / pixels;
    const double float_resolution = 2.0 * (std::nextafter(x_max, INFINITY) - high);
    return std::max({per_pixel, span / (kMaxCurvePoints - 2), float_resolution});
}

DrawnCurve draw_curve(const DrawnCurveRequest& request) {
    DrawnCurve curve;
    if (!drawable(request.x_min, request.x_max, request.device_pixels)) return curve;
    const double step =
        drawn_step(request.x_min, request.x_max, request.axis, request.device_pixels);
    // The steps across, the first sample and one for rounding.
    const auto capacity = static_cast<size_t>(std::min<double>(
        kMaxCurvePoints, std::ceil((double(request.x_max) - request.x_min) / step) + 2));
    curve.x_values.resize(capacity);
    curve.y_values.resize(capacity);
    const size_t partials = partial_capacity(
        std::max(request.timbre.number_of_overtones, partials_per_tone(request.timbre)));
    std::vector<float> partial_values(partials), amplitudes(partials);
    const std::unique_ptr<DissonanceKernel> kernel = make_default_kernel();
    kernel->reserve(static_cast<int32_t>(partials));
    const SampledCurve sampled =
        sample_curve({request.timbre, request.fixed_tone_ratios, request.x_min, request.x_max, step,
                      request.model},
                     *kernel, {curve.x_values, curve.y_values, partial_values, amplitudes});
    curve.x_values.resize(static_cast<size_t>(sampled.number_of_points));
    curve.y_values.resize(static_cast<size_t>(sampled.number_of_points));
    return curve;
}

void put_in_minima(DrawnCurve& curve, std::span<const CurveMinimum> minima) {
    if (curve.x_values.empty()) return;
    const float low = curve.x_values.front(), high = curve.x_values.back();
    for (const CurveMinimum& m : minima) {
        const auto ratio = static_cast<float>(m.ratio);
        if (ratio >= low && ratio <= high && std::isfinite(m.value))
            put_in(curve, ratio, static_cast<float>(m.value));
    }
}

}  // namespace kelvara
