#include "engine/averaged_spectrum.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>

#include "engine/real_fft.h"

namespace kelvara {

namespace {

int32_t next_power_of_two(int64_t n) {
    int32_t p = RealFft::kMinSize;
    while (p < n) p *= 2;
    return p;
}

// The symmetric 4-term Blackman–Harris window (92 dB side lobes).
std::vector<double> blackman_harris(int32_t length) {
    std::vector<double> w(static_cast<size_t>(length));
    const double step = 2.0 * std::numbers::pi / std::max(1, length - 1);
    for (int32_t n = 0; n < length; ++n) {
        const double x = step * n;
        w[static_cast<size_t>(n)] =
            0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
    }
    return w;
}

// The largest magnitude of any sample of the stretch.
double peak_magnitude(const AudioChannels& audio, FrameRange stretch) {
    double peak = 0.0;
    for (const auto& channel : audio.channels) {
        const auto first = channel.begin() + stretch.start;
        for (auto it = first; it != first + stretch.count; ++it)
            peak = std::max(peak, static_cast<double>(std::fabs(*it)));
    }
    return peak;
}

}  // namespace

SpectrumFrames plan_frames(int64_t stretch_frames, int32_t window_length) {
    assert(window_length >= 2 && window_length <= stretch_frames);
    SpectrumFrames frames;
    frames.window_length = window_length;
    frames.fft_size = next_power_of_two(2 * static_cast<int64_t>(window_length));
    const int64_t room = stretch_frames - window_length;
    const int64_t half = std::max<int64_t>(1, window_length / 2);
    const int64_t fitting = room / half + 1;
    if (fitting <= kMaxAveragedFrames) {
        frames.frame_count = static_cast<int32_t>(fitting);
        frames.hop = static_cast<double>(half);
    } else {
        frames.frame_count = kMaxAveragedFrames;
        frames.hop = static_cast<double>(room) / (kMaxAveragedFrames - 1);
    }
    return frames;
}

AveragedSpectrum average_spectrum(const AudioChannels& audio, FrameRange stretch,
                                  int32_t window_length) {
    assert(!audio.channels.empty() && stretch.start >= 0 && stretch.end() <= audio.frame_count());
    AveragedSpectrum result;
    result.sample_rate_hz = audio.sample_rate_hz;
    result.frames = plan_frames(stretch.count, window_length);
    const SpectrumFrames& frames = result.frames;
    result.power.assign(static_cast<size_t>(frames.fft_size / 2 + 1), 0.0);

    // Samples are scaled by 1 / peak before the single-precision transform, so that no
    // finite sample can overflow it, and the power is scaled back in double afterwards.
    const double peak = peak_magnitude(audio, stretch);
    if (peak == 0.0) return result;
    const double gain = 1.0 / peak;

    const std::vector<double> window = blackman_harris(window_length);
    double window_sum = 0.0;
    for (double w : window) window_sum += w;

    RealFft fft(frames.fft_size);
    const std::span<float> input = fft.input();
    for (const auto& channel : audio.channels) {
        for (int32_t f = 0; f < frames.frame_count; ++f) {
            const int64_t start = stretch.start + std::llround(f * frames.hop);
            const float* samples = channel.data() + start;
            // The window-weighted mean, removed so that no DC leaks into the lowest partials.
            double weighted = 0.0;
            for (int32_t n = 0; n < window_length; ++n) weighted += window[n] * samples[n];
            const double mean = weighted / window_sum;
            for (int32_t n = 0; n < window_length; ++n)
                input[n] = static_cast<float>((samples[n] - mean) * gain * window[n]);
            std::fill(input.begin() + window_length, input.end(), 0.0f);
            fft.add_power_to(result.power);
        }
    }
    // A sine of amplitude A on a bin centre transforms to A × window_sum / 2.
    const double half_sum = window_sum / 2.0;
    const double scale =
        peak * peak /
        (half_sum * half_sum * frames.frame_count * static_cast<double>(audio.channels.size()));
    for (double& p : result.power) p *= scale;
    return result;
}

}  // namespace kelvara
