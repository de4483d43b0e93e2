#include "engine/synthetic_recording.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <sstream>

namespace kelvara {

AudioChannels synthesize_recording(const SyntheticRecording& recording) {
    AudioChannels audio;
    audio.sample_rate_hz = recording.sample_rate_hz;
    const auto frames =
        static_cast<size_t>(std::llround(recording.seconds * recording.sample_rate_hz));
    std::vector<double> sum(frames);
    const double nyquist = recording.sample_rate_hz / 2.0;
    std::mt19937 generator(recording.seed);
    std::normal_distribution<double> gaussian(0.0, 1.0);
    for (int32_t c = 0; c < recording.channels; ++c) {
        const double delay = c * recording.channel_delay_seconds;
        std::fill(sum.begin(), sum.end(), 0.0);
        double energy = 0.0;
        for (size_t n = 0; n < frames; ++n) {
            const double t = static_cast<double>(n) / recording.sample_rate_hz - delay;
            double value = 0.0;
            for (const SyntheticPartial& p : recording.partials)
                if (p.frequency_hz < nyquist)
                    value += p.amplitude *
                             std::sin(2.0 * std::numbers::pi * p.frequency_hz * t + p.phase);
            if (recording.decay_seconds) value *= std::exp(-t / *recording.decay_seconds);
            sum[n] = value;
            energy += value * value;
        }
        if (recording.noise_below_rms_db && frames > 0) {
            const double rms = std::sqrt(energy / static_cast<double>(frames));
            const double sigma = rms * std::pow(10.0, -*recording.noise_below_rms_db / 20.0);
            for (double& value : sum) value += sigma * gaussian(generator);
        }
        audio.channels.emplace_back(sum.begin(), sum.end());
    }
    return audio;
}

PartialErrors compare_with_known(const PickedPartials& measured,
                                 std::span<const SyntheticPartial> known, size_t fundamental,
                                 double threshold_db) {
    PartialErrors errors;
    std::ostringstream report;
    double strongest = 0.0;
    for (const auto& k : known) strongest = std::max(strongest, k.amplitude);
    const double base = known[fundamental].frequency_hz;
    const auto distance = [](double a, double b) { return std::fabs(std::log(a / b)); };
    std::vector<bool> found(known.size(), false);
    for (const MeasuredPartial& m : measured.partials) {
        size_t nearest = 0;
        for (size_t i = 1; i < known.size(); ++i)
            if (distance(m.frequency_hz, known[i].frequency_hz) <
                distance(m.frequency_hz, known[nearest].frequency_hz))
                nearest = i;
        const double true_ratio = known[nearest].frequency_hz / base;
        const double true_db = 20.0 * std::log10(known[nearest].amplitude / strongest);
        const double ratio_error = std::fabs(m.ratio / true_ratio - 1.0);
        report << m.frequency_hz << " Hz: ratio " << m.ratio << " (true " << true_ratio << "), "
               << m.amplitude_db << " dB (true " << true_db << ")\n";
        if (ratio_error > 0.01) {
            ++errors.extra;
            continue;
        }
        found[nearest] = true;
        errors.max_ratio_error = std::max(errors.max_ratio_error, ratio_error);
        errors.max_amplitude_error_db =
            std::max(errors.max_amplitude_error_db, std::fabs(m.amplitude_db - true_db));
    }
    for (size_t i = 0; i < known.size(); ++i)
        if (!found[i] && 20.0 * std::log10(known[i].amplitude / strongest) > -threshold_db)
            ++errors.missing;
    errors.report = report.str();
    return errors;
}

}  // namespace kelvara
