#pragma once
// The analysis of a recording timed on the case its speed target names: 10 s of 48 kHz
// stereo. The benchmarks (bench/) and `kelvara-cli bench` share it, so both report the same.
//
// The recording is a stiff string at 110 Hz (24 partials falling as 1/k, B = 0.0004),
// decaying over the 10 s, the second channel 0.7 ms behind the first, with white noise 40 dB
// below the signal. One run proposes a stretch over the whole recording and analyses all
// 10 s as one stretch: the most one recording of that length can be asked for.
#include <cstdint>

#include "engine/audio_channels.h"
#include "engine/recording_analysis.h"
#include "engine/synthetic_recording.h"

namespace kelvara {

// What one run of the analysis of 10 s of 48 kHz stereo may take.
inline constexpr double kRecordingAnalysisBudgetMs = 100.0;

const SyntheticRecording& benchmark_recording();

// One run: the proposal over `audio`, then the analysis of all of it. Empty when either fails.
Result<SpectrumAnalysis> run_recording_analysis(const AudioChannels& audio);

struct RecordingAnalysisTiming {
    double fastest_ms = 0.0;  // processor time of this thread, fastest run
    double budget_ms = kRecordingAnalysisBudgetMs;
    int32_t runs = 0;
    // How well the fastest run's partials match the recording's (all found, none extra,
    // ratios within 0.1 %, amplitudes within 1 dB is the accuracy target).
    PartialErrors errors;
};

// Repeats the run for at least `min_seconds` (and at least once) on benchmark_recording().
RecordingAnalysisTiming time_recording_analysis(double min_seconds);

}  // namespace kelvara
