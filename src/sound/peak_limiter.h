#pragma once
// The peak limiter between the synthesizer and the audio output: stereo-linked, with a short
// look-ahead so the gain is already down when a peak leaves, instant attack, smooth release,
// and a hard clamp at the ceiling as a safety net. Below the ceiling it is transparent: the
// output is the input delayed by the look-ahead. process() neither allocates nor locks, so it
// runs inside the audio callback.
#include <vector>

#include "base/nonblocking.h"

namespace kelvara::sound {

class PeakLimiter {
public:
    // 0.891 is -1 dBFS: full scale is never reached, so converters and resamplers after us
    // have headroom.
    static constexpr float kDefaultCeiling = 0.891f;
    static constexpr double kLookAheadSeconds = 0.0015;
    static constexpr double kReleaseSeconds = 0.080;

    explicit PeakLimiter(double sample_rate, float ceiling = kDefaultCeiling);

    // Limits one block in place. The pointers may be the same buffer only for mono use.
    void process(float* left, float* right, int frames) noexcept KELVARA_NONBLOCKING;

    int latency_frames() const { return look_ahead_; }
    float ceiling() const { return ceiling_; }

private:
    float required_gain(float left, float right) const noexcept KELVARA_NONBLOCKING;
    float window_minimum() const noexcept KELVARA_NONBLOCKING;

    float ceiling_;
    int look_ahead_;
    float release_coefficient_;
    // Ring buffers of look_ahead_ entries: the delayed samples and the gain each of them
    // needs to stay under the ceiling. Gains start at 1 (no reduction).
    std::vector<float> delayed_left_;
    std::vector<float> delayed_right_;
    std::vector<float> needed_gain_;
    int position_ = 0;
    float gain_ = 1.0f;
};

}  // namespace kelvara::sound
