#pragma once
// The curve as a view draws it: its visible range sampled at least once per device pixel with
// the fast kernel, and the exact minima of that range put in as points of their own, so that
// every cusp is drawn at its exact depth and place however far the view is zoomed. The
// document's step is not used: it stays the step of the saved curve and its CSV.
//
// Example: six equal harmonics zoomed to 1.34 to 1.67 over 800 device pixels draws about 800
// samples, and the cusp at 3/2 at the minimum's own value (0.02298), not at the 0.029 that a
// step of 0.005 shows.
#include <cstdint>
#include <span>
#include <vector>

#include "engine/curve_minima.h"
#include "engine/partials.h"
#include "engine/ratio_axis.h"
#include "engine/roughness_model.h"

namespace kelvara {

struct DrawnCurveRequest {
    const Timbre& timbre;
    std::span<const float> fixed_tone_ratios;
    float x_min = 1.0f;
    float x_max = 2.0f;
    RatioAxis axis = RatioAxis::Linear;
    int32_t device_pixels = 0;  // across the visible range
    RoughnessModel model = RoughnessModel::Product;
};

struct DrawnCurve {
    std::vector<float> x_values;
    std::vector<float> y_values;
    int32_t count() const { return static_cast<int32_t>(x_values.size()); }
};

// The ratio step that puts a sample in every device pixel of the range; on a cents axis, in
// the narrowest pixel, the one at the low end. Never below what kMaxCurvePoints samples cover,
// nor below what moves a 32-bit x at the range's top.
double drawn_step(float x_min, float x_max, RatioAxis axis, int32_t device_pixels);

// Samples the request. Empty for a range that is empty or not finite, or for no pixels.
// Allocates; any thread.
DrawnCurve draw_curve(const DrawnCurveRequest& request);

// Puts each minimum that lies in the curve's x range in as a point of its own, by ratio. A
// sample closer to a minimum than a quarter of the gap to its neighbour is replaced by it, so
// that no two points are so close that the slope between them is noise.
void put_in_minima(DrawnCurve& curve, std::span<const CurveMinimum> minima);

}  // namespace kelvara
