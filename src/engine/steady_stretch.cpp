#include "engine/steady_stretch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "engine/real_fft.h"
#include "engine/recording_analysis.h"
#include "engine/recording_text.h"

namespace kelvara {

namespace {

// The largest power of two of at most 11 ms of samples (512 at 48 kHz), at least 16.
int32_t hop_length(int32_t sample_rate_hz) {
    int32_t hop = 16;
    while (hop * 2 <= sample_rate_hz / 90) hop *= 2;
    return hop;
}

struct FrameMeasures {
    std::vector<double> level_db;  // RMS level over all channels, dB re full scale
    std::vector<double> change;    // shape change from the previous frame, 0 .. 2
};

FrameMeasures measure_frames(const AudioChannels& audio, int32_t hop) {
    const int32_t length = 2 * hop;
    const int64_t count = (audio.frame_count() - length) / hop + 1;
    std::vector<double> window(static_cast<size_t>(length));
    double window_energy = 0.0;
    for (int32_t n = 0; n < length; ++n) {
        window[n] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (n + 0.5) / length);
        window_energy += window[n] * window[n];
    }
    RealFft fft(length);
    const std::span<float> input = fft.input();
    const auto bins = static_cast<size_t>(length / 2 + 1);
    std::vector<double> power(bins);
    std::vector<double> shape(bins);
    std::vector<double> previous_shape(bins, 0.0);

    FrameMeasures measures;
    measures.level_db.reserve(static_cast<size_t>(count));
    measures.change.reserve(static_cast<size_t>(count));
    for (int64_t f = 0; f < count; ++f) {
        std::fill(power.begin(), power.end(), 0.0);
        double energy = 0.0;
        for (const auto& channel : audio.channels) {
            const float* samples = channel.data() + f * hop;
            for (int32_t n = 0; n < length; ++n) {
                const double x = samples[n] * window[n];
                energy += x * x;
                input[n] = static_cast<float>(x);
            }
            fft.add_power_to(power);
        }
        const double mean_square = energy / (window_energy * audio.channels.size());
        measures.level_db.push_back(mean_square > 0.0 ? 10.0 * std::log10(mean_square)
                                                      : -std::numeric_limits<double>::infinity());
        double norm = 0.0;
        for (size_t k = 0; k < bins; ++k) {
            shape[k] = std::sqrt(power[k]);
            norm += power[k];
        }
        double change = 2.0;  // the first frame, and any silent one, count as a full change
        if (norm > 0.0) {
            const double scale = 1.0 / std::sqrt(norm);
            for (double& s : shape) s *= scale;
            if (f > 0) {
                change = 0.0;
                for (size_t k = 0; k < bins; ++k) {
                    const double d = shape[k] - previous_shape[k];
                    change += d * d;
                }
            }
        } else {
            std::fill(shape.begin(), shape.end(), 0.0);
        }
        measures.change.push_back(change);
        std::swap(shape, previous_shape);
    }
    return measures;
}

}  // namespace

Result<SteadyStretchProposal> propose_steady_stretch(const AudioChannels& audio) {
    const int32_t rate = audio.sample_rate_hz;
    const int64_t total = audio.frame_count();
    if (rate <= 0 || audio.channels.empty() || total < std::llround(kMinStretchSeconds * rate))
        return refusal("The recording is " + seconds_text(total, rate) +
                       " long; it needs at least " + number_text(kMinStretchSeconds) +
                       " s of sound to find partials in.");
    const int32_t hop = hop_length(rate);
    const FrameMeasures m = measure_frames(audio, hop);
    const auto count = static_cast<int64_t>(m.level_db.size());

    const auto loudest = std::max_element(m.level_db.begin(), m.level_db.end());
    const double peak_db = *loudest;
    if (!(peak_db >= kSilenceDbfs))
        return refusal("The recording is silent (no part of it is louder than " +
                       number_text(kSilenceDbfs) + " dBFS).");

    const auto reach = std::find_if(m.level_db.begin(), m.level_db.end(),
                                    [&](double db) { return db >= peak_db - kAttackReachDb; });
    const int64_t settle = std::llround(kSettleSeconds * rate / hop);
    // The last loud frame, and the first frame after the attack (never past the last loud one).
    int64_t last = count - 1;
    while (last > 0 && m.level_db[static_cast<size_t>(last)] < peak_db - kUsableRangeDb) --last;
    const int64_t first = std::min((reach - m.level_db.begin()) + settle, last);

    const int64_t wanted = std::max<int64_t>(1, std::llround(kProposedSeconds * rate / hop) - 1);
    const int64_t span = std::min(wanted, last - first + 1);
    // Mean shape change of each candidate span of frames; each frame's change is from the
    // frame before it, so a span right after a change of sound counts that change too.
    std::vector<double> sums(static_cast<size_t>(count + 1), 0.0);
    for (int64_t f = 0; f < count; ++f)
        sums[static_cast<size_t>(f + 1)] = sums[static_cast<size_t>(f)] + m.change[f];
    const auto score = [&](int64_t s) {
        return (sums[s + span] - sums[s]) / static_cast<double>(span);
    };
    double least = std::numeric_limits<double>::infinity();
    for (int64_t s = first; s + span - 1 <= last; ++s) least = std::min(least, score(s));
    int64_t best = first;
    while (score(best) > least * (1.0 + kSteadyMargin) + kSteadyFloor) ++best;

    SteadyStretchProposal proposal;
    proposal.attack_end = first * hop;
    proposal.loudest_level_dbfs = peak_db;
    int64_t start = best * hop;
    int64_t end = std::min(total, (best + span - 1) * hop + 2 * hop);
    // Never shorter than the analysis accepts: grow forwards, then backwards.
    const int64_t minimum = std::llround(kMinStretchSeconds * rate);
    if (end - start < minimum) end = std::min(total, start + minimum);
    if (end - start < minimum) start = std::max<int64_t>(0, end - minimum);
    proposal.stretch = {start, end - start};
    return proposal;
}

}  // namespace kelvara
