#include "sound/peak_limiter.h"

#include <algorithm>
#include <cmath>

namespace kelvara::sound {

PeakLimiter::PeakLimiter(double sample_rate, float ceiling)
    : ceiling_(ceiling),
      look_ahead_(std::max(1, int(std::lround(sample_rate * kLookAheadSeconds)))),
      release_coefficient_(float(1.0 - std::exp(-1.0 / (sample_rate * kReleaseSeconds)))),
      delayed_left_(look_ahead_, 0.0f),
      delayed_right_(look_ahead_, 0.0f),
      needed_gain_(look_ahead_, 1.0f) {}

float PeakLimiter::required_gain(float left, float right) const noexcept KELVARA_NONBLOCKING {
    const float peak = std::max(std::abs(left), std::abs(right));
    return peak > ceiling_ ? ceiling_ / peak : 1.0f;
}

// The smallest gain any sample still in the look-ahead window needs, including the one
// about to leave. A scan is cheap at this window length (72 frames at 48 kHz).
float PeakLimiter::window_minimum() const noexcept KELVARA_NONBLOCKING {
    return *std::min_element(needed_gain_.begin(), needed_gain_.end());
}

void PeakLimiter::process(float* left, float* right, int frames) noexcept KELVARA_NONBLOCKING {
    for (int i = 0; i < frames; ++i) {
        const float in_left = std::isfinite(left[i]) ? left[i] : 0.0f;
        const float in_right = std::isfinite(right[i]) ? right[i] : 0.0f;
        // The oldest entry leaves now; the new sample takes its place.
        const float out_left = delayed_left_[position_];
        const float out_right = delayed_right_[position_];
        delayed_left_[position_] = in_left;
        delayed_right_[position_] = in_right;
        const float leaving_gain = needed_gain_[position_];
        needed_gain_[position_] = required_gain(in_left, in_right);
        position_ = (position_ + 1) % look_ahead_;

        const float target = std::min(window_minimum(), leaving_gain);
        gain_ = target < gain_ ? target : gain_ + (target - gain_) * release_coefficient_;
        left[i] = std::clamp(out_left * gain_, -ceiling_, ceiling_);
        right[i] = std::clamp(out_right * gain_, -ceiling_, ceiling_);
    }
}

}  // namespace kelvara::sound
