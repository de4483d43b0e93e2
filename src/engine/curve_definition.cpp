#include "engine/curve_definition.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/overtone_type.h"

namespace kelvara {
namespace {

bool is_ratio(double r) {
    return std::isfinite(r) && r > 0.0 && r <= kMaxCurveRatio;
}

std::string bound_text(double bound) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", bound);
    return text;
}

}  // namespace

std::vector<Partial> harmonic_partials(int32_t overtone_type, int32_t count) {
    if (!is_parametric_overtone_type(overtone_type) || count < 1 || count > kMaxCurvePartials)
        return {};
    std::vector<float> amplitudes(static_cast<size_t>(count));
    harmonic_amplitudes(overtone_type, amplitudes);
    std::vector<Partial> partials;
    partials.reserve(amplitudes.size());
    for (size_t k = 0; k < amplitudes.size(); ++k)
        partials.push_back({static_cast<double>(k + 1), static_cast<double>(amplitudes[k])});
    return partials;
}

std::vector<Partial> timbre_partials(const Timbre& timbre) {
    if (timbre.overtone_type == CustomPartials) return timbre.custom_partials;
    return harmonic_partials(timbre.overtone_type, partials_per_tone(timbre));
}

CurveDefinition document_curve_definition(const Timbre& timbre,
                                          std::span<const float> fixed_tone_ratios,
                                          RoughnessModel model) {
    CurveDefinition curve;
    curve.partials = timbre_partials(timbre);
    curve.base_frequency_hz = timbre.base_frequency;
    curve.model = model;
    const size_t fixed = std::min<size_t>(fixed_tone_ratios.size(), kMaxCurveFixedTones);
    for (size_t t = 0; t < fixed; ++t)
        curve.fixed_tone_ratios.push_back(static_cast<double>(fixed_tone_ratios[t]));
    return curve;
}

Error minima_refusal(std::string reason) {
    return Error{ErrorKind::Refused, 0,  "The curve's minima cannot be searched.",
                 std::move(reason),  {}, {}};
}

Result<void> check_curve_definition(const CurveDefinition& curve) {
    if (curve.partials.empty()) return minima_refusal("The timbre has no partials.");
    if (curve.partials.size() > static_cast<size_t>(kMaxCurvePartials))
        return minima_refusal("The timbre has more than " + std::to_string(kMaxCurvePartials) +
                              " partials.");
    for (const Partial& p : curve.partials) {
        if (!is_ratio(p.ratio))
            return minima_refusal("A partial ratio is not a finite number in (0, " +
                                  bound_text(kMaxCurveRatio) + "].");
        if (!std::isfinite(p.amplitude) || p.amplitude < 0.0 || p.amplitude > kMaxCurveAmplitude)
            return minima_refusal("A partial amplitude is not a finite number in [0, " +
                                  bound_text(kMaxCurveAmplitude) + "].");
    }
    if (!std::isfinite(curve.base_frequency_hz) || curve.base_frequency_hz <= 0.0 ||
        curve.base_frequency_hz > kMaxCurveBaseHz)
        return minima_refusal("The base frequency is not a finite number of hertz in (0, " +
                              bound_text(kMaxCurveBaseHz) + "].");
    if (!is_valid_roughness_model(static_cast<int32_t>(curve.model)))
        return minima_refusal("The roughness model is unknown.");
    if (curve.fixed_tone_ratios.size() > static_cast<size_t>(kMaxCurveFixedTones))
        return minima_refusal("There are more than " + std::to_string(kMaxCurveFixedTones) +
                              " fixed tones.");
    for (const double r : curve.fixed_tone_ratios)
        if (!is_ratio(r))
            return minima_refusal("A fixed-tone ratio is not a finite number in (0, " +
                                  bound_text(kMaxCurveRatio) + "].");
    return {};
}

}  // namespace kelvara
