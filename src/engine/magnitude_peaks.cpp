#include "engine/magnitude_peaks.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>

namespace kelvara {

namespace {

// The noise floor under each bin: the power below which a fifth of the bins of its band lie
// (a line spectrum fills far fewer than four fifths of a band, so the lines do not lift it).
std::vector<double> noise_floor(const std::vector<double>& power, int64_t first_bin) {
    const auto bins = static_cast<int64_t>(power.size());
    std::vector<double> floor(power.size(), 0.0);
    std::vector<double> band;
    int64_t low = std::max<int64_t>(1, first_bin);
    while (low < bins) {
        // A third of an octave, at least 32 bins; a short remainder joins the last band.
        int64_t high = std::max(low + 32, static_cast<int64_t>(std::ceil(low * 1.26)));
        if (bins - high < 32) high = bins;
        band.assign(power.begin() + low, power.begin() + high);
        const auto rank = band.begin() + static_cast<int64_t>(band.size()) / 5;
        std::nth_element(band.begin(), rank, band.end());
        std::fill(floor.begin() + low, floor.begin() + high, *rank);
        low = high;
    }
    return floor;
}

}  // namespace

std::vector<SpectralPeak> find_spectral_peaks(const AveragedSpectrum& spectrum, double lowest_hz,
                                              double range_db) {
    const std::vector<double>& power = spectrum.power;
    const auto bins = static_cast<int64_t>(power.size());
    if (bins < 8 || spectrum.bin_hz() <= 0.0) return {};
    const double padding =
        static_cast<double>(spectrum.frames.fft_size) / spectrum.frames.window_length;
    const double lobe_bins = kMainLobeHalfWidthBins * padding;
    // Peaks inside the main lobe of DC are what is left of the mean, not partials.
    const int64_t first =
        std::max<int64_t>(static_cast<int64_t>(std::ceil(lobe_bins)),
                          static_cast<int64_t>(std::ceil(lowest_hz / spectrum.bin_hz())));
    if (first >= bins - 1) return {};
    const std::vector<double> floor = noise_floor(power, first);
    const double over_floor = std::pow(10.0, kPeakOverFloorDb / 10.0);

    struct Candidate {
        int64_t bin;
        double log_power;  // natural log of the refined peak power
        double offset;     // refined position relative to `bin`, in bins
    };
    std::vector<Candidate> candidates;
    for (int64_t k = std::max<int64_t>(first, 1); k < bins - 1; ++k) {
        const double p = power[k];
        if (!(p > power[k - 1] && p >= power[k + 1] && p >= floor[k] * over_floor)) continue;
        const double a = std::log(power[k - 1]);
        const double b = std::log(p);
        const double c = std::log(power[k + 1]);
        const double curvature = a - 2.0 * b + c;
        if (curvature < 0.0 && std::isfinite(curvature)) {
            const double offset = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
            candidates.push_back({k, b - 0.25 * (a - c) * offset, offset});
        } else {
            candidates.push_back({k, b, 0.0});  // a neighbour of zero power: no parabola
        }
    }
    if (candidates.empty()) return {};

    // Strongest first: a maximum within the main lobe of a stronger one is part of it.
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate& x, const Candidate& y) { return x.log_power > y.log_power; });
    const double lowest_log_power = candidates.front().log_power - range_db * std::log(10.0) / 10.0;
    std::vector<Candidate> kept;
    std::set<double> kept_positions;  // in bins
    for (const Candidate& c : candidates) {
        if (c.log_power < lowest_log_power || kept.size() == kMaxSpectralPeaks) break;
        const double position = static_cast<double>(c.bin) + c.offset;
        const auto above = kept_positions.lower_bound(position);
        const bool inside_stronger =
            (above != kept_positions.end() && *above - position < lobe_bins) ||
            (above != kept_positions.begin() && position - *std::prev(above) < lobe_bins);
        if (inside_stronger) continue;
        kept.push_back(c);
        kept_positions.insert(position);
    }

    std::vector<SpectralPeak> peaks;
    peaks.reserve(kept.size());
    for (const Candidate& c : kept) {
        SpectralPeak peak;
        peak.frequency_hz = (static_cast<double>(c.bin) + c.offset) * spectrum.bin_hz();
        peak.amplitude = std::exp(0.5 * c.log_power);
        peak.level_db = 20.0 * std::log10(peak.amplitude);
        peaks.push_back(peak);
    }
    std::sort(peaks.begin(), peaks.end(), [](const SpectralPeak& x, const SpectralPeak& y) {
        return x.frequency_hz < y.frequency_hz;
    });
    return peaks;
}

}  // namespace kelvara
