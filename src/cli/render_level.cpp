#include "cli/render_level.h"

#include <algorithm>
#include <cmath>

namespace kelvara::cli {

float peak_of(const StereoBuffer& audio) {
    float peak = 0.0f;
    for (const auto* channel : {&audio.left, &audio.right})
        for (const float sample : *channel) peak = std::max(peak, std::fabs(sample));
    return peak;
}

void apply_gain(StereoBuffer& audio, double gain) {
    for (auto* channel : {&audio.left, &audio.right})
        for (float& sample : *channel) sample = float(sample * gain);
}

double normalizing_gain(const StereoBuffer& audio) {
    const float peak = peak_of(audio);
    return peak > 0.0f ? std::pow(10.0, kNormalizedPeakDb / 20.0) / peak : 1.0;
}

}  // namespace kelvara::cli
