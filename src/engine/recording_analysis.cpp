#include "engine/recording_analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "engine/recording_text.h"

namespace kelvara {

namespace {

// The RMS level of the stretch over all its channels, in dB relative to full scale.
double rms_dbfs(const AudioChannels& audio, FrameRange stretch) {
    double sum = 0.0;
    for (const auto& channel : audio.channels) {
        const auto first = channel.begin() + stretch.start;
        for (auto it = first; it != first + stretch.count; ++it) sum += double(*it) * double(*it);
    }
    const double mean = sum / (static_cast<double>(stretch.count) * audio.channels.size());
    return mean > 0.0 ? 10.0 * std::log10(mean) : -std::numeric_limits<double>::infinity();
}

std::optional<Error> check_request(const AudioChannels& audio, FrameRange stretch,
                                   const AnalysisSettings& settings) {
    const int32_t rate = audio.sample_rate_hz;
    if (rate <= 0 || audio.channels.empty()) return refusal("There is no audio to analyse.");
    if (stretch.start < 0 || stretch.count <= 0 || stretch.end() > audio.frame_count())
        return refusal("The stretch to analyse (" + seconds_text(stretch.start, rate) + " to " +
                       seconds_text(stretch.end(), rate) +
                       ") does not lie inside the recording (0 s to " +
                       seconds_text(audio.frame_count(), rate) + ").");
    if (stretch.count < std::llround(kMinStretchSeconds * rate))
        return refusal("The stretch to analyse is " + seconds_text(stretch.count, rate) +
                       " long; choose at least " + number_text(kMinStretchSeconds) + " s.");
    const double lowest = settings.lowest_partial_hz;
    if (!(lowest >= kLowestPartialHzLimit && lowest < rate / 4.0))
        return refusal("The lowest partial must lie between " + number_text(kLowestPartialHzLimit) +
                       " Hz and " + number_text(rate / 4.0) + " Hz.");
    return check_picking_settings(settings.picking);
}

}  // namespace

WindowChoice choose_window_length(int32_t sample_rate_hz, int64_t stretch_frames, double lowest_hz,
                                  double closest_gap_hz) {
    double wanted = kMinWindowSeconds * sample_rate_hz;
    if (lowest_hz > 0.0) wanted = std::max(wanted, kPeriodsOfLowest * sample_rate_hz / lowest_hz);
    if (closest_gap_hz > 0.0)
        wanted = std::max(wanted, kBinsBetweenPartials * sample_rate_hz / closest_gap_hz);
    const auto longest = static_cast<double>(std::min<int64_t>(stretch_frames, kMaxWindowLength));
    WindowChoice choice;
    choice.window_length = static_cast<int32_t>(std::min(std::ceil(wanted), longest));
    choice.limited_by_stretch = wanted > static_cast<double>(stretch_frames);
    return choice;
}

Result<SpectrumAnalysis> analyse_stretch(const AudioChannels& audio, FrameRange stretch,
                                         const AnalysisSettings& settings) {
    if (auto error = check_request(audio, stretch, settings)) return *std::move(error);
    const int32_t rate = audio.sample_rate_hz;
    const double level = rms_dbfs(audio, stretch);
    if (level < kSilenceDbfs)
        return refusal("The stretch from " + seconds_text(stretch.start, rate) + " to " +
                       seconds_text(stretch.end(), rate) + " is silent (below " +
                       number_text(kSilenceDbfs) +
                       " dBFS); choose a stretch where the instrument sounds.");

    // First look.
    const auto search_length = static_cast<int32_t>(std::min<int64_t>(
        {stretch.count, std::llround(kSearchWindowSeconds * rate), kMaxWindowLength}));
    SpectrumAnalysis analysis;
    analysis.spectrum = average_spectrum(audio, stretch, search_length);
    analysis.peaks =
        find_spectral_peaks(analysis.spectrum, settings.lowest_partial_hz, kMaxThresholdDb);

    // Second look, with a window chosen from the partials found.
    std::vector<SpectralPeak> rough = analysis.peaks;
    double strongest_db = -std::numeric_limits<double>::infinity();
    for (const SpectralPeak& p : rough) strongest_db = std::max(strongest_db, p.level_db);
    std::erase_if(rough, [&](const SpectralPeak& p) {
        return p.level_db < strongest_db - kWindowChoiceRangeDb;
    });
    if (!rough.empty()) {
        double closest_gap = 0.0;
        for (size_t i = 1; i < rough.size(); ++i) {
            const double gap = rough[i].frequency_hz - rough[i - 1].frequency_hz;
            closest_gap = closest_gap > 0.0 ? std::min(closest_gap, gap) : gap;
        }
        const WindowChoice choice =
            choose_window_length(rate, stretch.count, rough.front().frequency_hz, closest_gap);
        if (choice.window_length > search_length) {
            analysis.spectrum = average_spectrum(audio, stretch, choice.window_length);
            analysis.peaks =
                find_spectral_peaks(analysis.spectrum, settings.lowest_partial_hz, kMaxThresholdDb);
        }
        analysis.spectrum.window_limited_by_stretch = choice.limited_by_stretch;
    }

    auto picked = pick_partials(analysis.peaks, settings.picking);
    if (!picked) return picked.error();
    analysis.picked = std::move(picked).value();
    return analysis;
}

}  // namespace kelvara
