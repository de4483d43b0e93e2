#pragma once
// What the dissonance curve is made of, in 64 bits: one timbre (a list of sine partials), the
// base frequency and the fixed tones. The curve at interval ratio x is the roughness of every
// pair of partials of the fixed tones (each the timbre at base_frequency_hz × fixed ratio) and
// the sweep tone (the timbre at base_frequency_hz × x):
//
//   y(x) = Σi Σj w(a_i, a_j)·(e^(−3.5 s) − e^(−5.75 s)),  s = 0.24·|f_i − f_j| / (0.021·min + 19)
//
// over ordered pairs, as the sampling kernels sum it; the weight w is a_i·a_j or
// min(a_i, a_j) by the roughness model (roughness_model.h). Partial k of a tone at ratio r sounds
// at base_frequency_hz × r × ratio_k, computed in double, so that the cusps of the curve (where a
// sweep partial meets a fixed one) lie exactly at x = r × ratio_m / ratio_k.
#include <cstdint>
#include <span>
#include <vector>

#include "base/error.h"
#include "engine/partials.h"
#include "engine/roughness_model.h"

namespace kelvara {

struct CurveDefinition {
    std::vector<Partial> partials;  // the timbre of every tone, fixed and sweep
    double base_frequency_hz = 440.0;
    std::vector<double> fixed_tone_ratios;  // one fixed tone per ratio (to the base)
    RoughnessModel model = RoughnessModel::Product;
    friend bool operator==(const CurveDefinition&, const CurveDefinition&) = default;
};

// Bounds of what the exact curve accepts. They keep every loop over pairs and cusps within a
// known size (at most 128 × 128 × 10 cusps) and every frequency far from overflow.
inline constexpr int32_t kMaxCurvePartials = 128;
inline constexpr int32_t kMaxCurveFixedTones = 10;
inline constexpr double kMaxCurveRatio = 1e4;      // partial and fixed-tone ratios
inline constexpr double kMaxCurveAmplitude = 1e6;  // partial amplitudes
inline constexpr double kMaxCurveBaseHz = 1e6;     // base frequency
inline constexpr double kMinCurveX = 1e-4;         // interval ratios the curve is taken at
inline constexpr double kMaxCurveX = 1e4;

// The partials of one of the parametric timbre types: harmonics k = 1 .. count at ratio k,
// with the 32-bit amplitudes the document's partial list holds (harmonic_amplitudes). Empty
// for a type outside 0 to 5 or a count outside 1 to kMaxCurvePartials.
std::vector<Partial> harmonic_partials(int32_t overtone_type, int32_t count);

// The partials of a document's timbre: harmonic_partials for a parametric type, the custom
// list as it is for a custom one.
std::vector<Partial> timbre_partials(const Timbre& timbre);

// The curve a document with this timbre, these fixed tones and this model draws: the same
// partials, the same fixed tones (the first kMaxCurveFixedTones, as the document sounds
// them), widened to 64 bits.
CurveDefinition document_curve_definition(const Timbre& timbre,
                                          std::span<const float> fixed_tone_ratios,
                                          RoughnessModel model = RoughnessModel::Product);

// Refused: an empty or too long partial list, a ratio, amplitude or frequency that is not
// finite, not positive (amplitudes may be 0) or beyond the bounds above, too many fixed
// tones. The error's reason says which.
Result<void> check_curve_definition(const CurveDefinition& curve);

// The refusal of a curve or a search: "The curve's minima cannot be searched." and `reason`.
Error minima_refusal(std::string reason);

}  // namespace kelvara
