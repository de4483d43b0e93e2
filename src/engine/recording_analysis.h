#pragma once
// A timbre measured from a stretch of a recording: its averaged spectrum, every peak in it
// and the partials picked from them.
//
// The window is chosen in two looks. A first look with frames of half a second (or the
// whole stretch, if shorter) finds the partials roughly. Where they need a longer window, to
// hold kPeriodsOfLowest periods of the lowest partial (so that a fraction of a bin is a small
// fraction of its frequency) or to put the closest two kBinsBetweenPartials bins apart (so
// that neither peak leans on the other's main lobe), the spectrum is measured again with it.
// Partials closer than about 16 Hz merge in the first look and are measured as one.
//
// Pure functions; any thread. Measuring 10 s of 48 kHz stereo takes a few tens of
// milliseconds (see `time_recording_analysis`).
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "engine/audio_channels.h"
#include "engine/averaged_spectrum.h"
#include "engine/magnitude_peaks.h"
#include "engine/partial_picking.h"

namespace kelvara {

inline constexpr double kSearchWindowSeconds = 0.5;
inline constexpr double kPeriodsOfLowest = 64.0;
inline constexpr double kBinsBetweenPartials = 12.0;
// The partials that choose the window: those at most this far below the strongest.
inline constexpr double kWindowChoiceRangeDb = 50.0;
// Frames are never shorter than this (shorter frames buy nothing for a steady sound).
inline constexpr double kMinWindowSeconds = 0.05;
// Nor longer than this many samples (2.7 s at 48 kHz).
inline constexpr int32_t kMaxWindowLength = 1 << 17;
// A stretch shorter than this holds too few periods of any partial to measure.
inline constexpr double kMinStretchSeconds = 0.05;
// A stretch whose RMS level (over all its channels) is below this is silent.
inline constexpr double kSilenceDbfs = -90.0;
// Partials are never looked for below this, nor above the Nyquist frequency.
inline constexpr double kLowestPartialHzLimit = 1.0;

struct AnalysisSettings {
    PickingSettings picking;
    // Peaks below this are rumble or handling noise, not partials (at least
    // kLowestPartialHzLimit, below a quarter of the sample rate).
    double lowest_partial_hz = 20.0;
};

struct SpectrumAnalysis {
    AveragedSpectrum spectrum;        // to draw
    std::vector<SpectralPeak> peaks;  // every peak down to kMaxThresholdDb, ascending frequency:
                                      // pick_partials again from these when a setting changes
    PickedPartials picked;
};

// The window length for a stretch of `stretch_frames` whose partials found in the first look
// start at `lowest_hz` and lie at least `closest_gap_hz` apart (0: only one partial).
struct WindowChoice {
    int32_t window_length = 0;
    bool limited_by_stretch = false;  // the partials asked for more than the stretch holds
};
WindowChoice choose_window_length(int32_t sample_rate_hz, int64_t stretch_frames, double lowest_hz,
                                  double closest_gap_hz);

// Refused, with a sentence that says why (the error's description): a stretch outside the
// audio or shorter than kMinStretchSeconds, settings out of range, a silent stretch, or one
// where no peak stands out of the noise.
Result<SpectrumAnalysis> analyse_stretch(const AudioChannels& audio, FrameRange stretch,
                                         const AnalysisSettings& settings);

}  // namespace kelvara
