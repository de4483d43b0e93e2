#include "bench/recording_analysis_benchmark.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "bench/kernel_benchmark_cases.h"
#include "engine/steady_stretch.h"

namespace kelvara {

const SyntheticRecording& benchmark_recording() {
    static const SyntheticRecording recording = [] {
        SyntheticRecording r;
        r.sample_rate_hz = 48000;
        r.seconds = 10.0;
        r.channels = 2;
        r.channel_delay_seconds = 0.0007;
        r.decay_seconds = 4.0;
        r.noise_below_rms_db = 40.0;
        // Partial k of a stiff string lies at k·sqrt(1 + B·k²) times the ideal fundamental.
        constexpr double kInharmonicity = 0.0004;
        for (int k = 1; k <= 24; ++k) {
            const double ratio =
                k * std::sqrt((1.0 + kInharmonicity * k * k) / (1.0 + kInharmonicity));
            r.partials.push_back({110.0 * ratio, 0.3 / k, 0.5 * ratio});
        }
        return r;
    }();
    return recording;
}

Result<SpectrumAnalysis> run_recording_analysis(const AudioChannels& audio) {
    const auto proposal = propose_steady_stretch(audio);
    if (!proposal) return proposal.error();
    AnalysisSettings settings;
    settings.picking.max_partials = 64;
    return analyse_stretch(audio, {0, audio.frame_count()}, settings);
}

RecordingAnalysisTiming time_recording_analysis(double min_seconds) {
    const SyntheticRecording& recording = benchmark_recording();
    const AudioChannels audio = synthesize_recording(recording);
    RecordingAnalysisTiming timing;
    timing.fastest_ms = std::numeric_limits<double>::infinity();
    const double started_ms = thread_processor_ms();
    do {
        const double start_ms = thread_processor_ms();
        const auto analysis = run_recording_analysis(audio);
        const double ms = thread_processor_ms() - start_ms;
        ++timing.runs;
        if (ms < timing.fastest_ms) {
            timing.fastest_ms = ms;
            timing.errors =
                analysis ? compare_with_known(analysis.value().picked, recording.partials, 0, 60.0)
                         : PartialErrors{0.0, 0.0, 24, 0, analysis.error().description};
        }
    } while (thread_processor_ms() - started_ms < min_seconds * 1000.0);
    return timing;
}

}  // namespace kelvara
