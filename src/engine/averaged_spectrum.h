#pragma once
// The spectrum of a stretch of a recording, as the partials of a timbre are measured from it:
// the stretch is cut into frames, each frame is weighted by a 4-term Blackman–Harris window
// (side lobes 92 dB down, so weak partials are not buried under the skirts of strong ones)
// and zero-padded to at least twice its length (so that a peak spans enough bins to be
// refined below bin resolution), and the power of every frame of every channel is averaged.
// Averaging power rather than mixing samples keeps a partial whole when two microphones hear
// it out of phase, and averaging frames steadies the noise.
//
// Pure functions; any thread.
#include <cstdint>
#include <vector>

#include "engine/audio_channels.h"

namespace kelvara {

// Half the width of the window's main lobe, in bins of the unpadded frame: a sine spreads
// over ±4 bins; partials closer than about twice that merge into one peak.
inline constexpr double kMainLobeHalfWidthBins = 4.0;

// How a stretch is cut into frames.
struct SpectrumFrames {
    int32_t window_length = 0;  // samples in each frame
    int32_t fft_size = 0;       // the frame zero-padded: the power of two ≥ 2 × window_length
    int32_t frame_count = 0;
    double hop = 0.0;  // samples from one frame's start to the next (spread evenly)
};

// At most this many frames are averaged; a long stretch gets them spread over its whole
// length instead of overlapping by half.
inline constexpr int32_t kMaxAveragedFrames = 16;

// Frames of `window_length` samples (≤ stretch_frames) over a stretch: overlapping by half,
// or, where more than kMaxAveragedFrames would fit, kMaxAveragedFrames spread evenly from the
// stretch's start to its end.
SpectrumFrames plan_frames(int64_t stretch_frames, int32_t window_length);

struct AveragedSpectrum {
    int32_t sample_rate_hz = 0;
    SpectrumFrames frames;
    // Power of bins k = 0 .. fft_size / 2 (bin k lies at k × bin_hz()), scaled so that a sine
    // of amplitude A centred on a bin shows A²: 10·log10(power) is a level in dB relative to
    // a full-scale sine. The stretch's mean (DC) is removed from every frame.
    std::vector<double> power;
    // True when the partials found call for a longer window than the stretch holds: the
    // spectrum is then measured with one frame as long as the stretch, and a longer stretch
    // would resolve the partials better.
    bool window_limited_by_stretch = false;

    double bin_hz() const {
        return frames.fft_size > 0 ? static_cast<double>(sample_rate_hz) / frames.fft_size : 0.0;
    }
};

// The averaged spectrum of `stretch` (inside `audio`, at least one channel) with frames of
// `window_length` samples (2 ≤ window_length ≤ stretch.count, fft size ≤ 2^20). Samples of
// any finite size are measured without overflow.
AveragedSpectrum average_spectrum(const AudioChannels& audio, FrameRange stretch,
                                  int32_t window_length);

}  // namespace kelvara
