#include "engine/partial_picking.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>

namespace kelvara {

namespace {

constexpr double kFundamentalRangeDb = 30.0;
constexpr double kHarmonicTolerance = 0.015;
constexpr double kHarmonicShare = 0.25;

// The amplitude of the peaks (other than `c`) lying within the tolerance of an integer
// multiple n ≥ 2 of peak c, and how many they are.
struct HarmonicSupport {
    double amplitude = 0.0;
    int32_t count = 0;
};

HarmonicSupport harmonic_support(std::span<const SpectralPeak> peaks, size_t c) {
    HarmonicSupport support;
    const double base = peaks[c].frequency_hz;
    for (size_t p = c + 1; p < peaks.size(); ++p) {
        const double multiple = peaks[p].frequency_hz / base;
        const double n = std::round(multiple);
        if (n >= 2.0 && std::fabs(multiple - n) <= kHarmonicTolerance * n) {
            support.amplitude += peaks[p].amplitude;
            ++support.count;
        }
    }
    return support;
}

Error bad_setting(std::string message) {
    return refusal(std::move(message));
}

}  // namespace

int32_t propose_fundamental(std::span<const SpectralPeak> peaks) {
    double strongest = -std::numeric_limits<double>::infinity();
    for (const SpectralPeak& p : peaks) strongest = std::max(strongest, p.level_db);
    const double total =
        std::accumulate(peaks.begin(), peaks.end(), 0.0,
                        [](double sum, const SpectralPeak& p) { return sum + p.amplitude; });

    std::optional<size_t> lowest;
    std::optional<size_t> best;
    double best_support = 0.0;
    for (size_t c = 0; c < peaks.size(); ++c) {
        if (peaks[c].level_db < strongest - kFundamentalRangeDb) continue;
        if (!lowest) lowest = c;
        const HarmonicSupport support = harmonic_support(peaks, c);
        const double others = total - peaks[c].amplitude;
        if (support.count >= 2 && support.amplitude >= kHarmonicShare * others &&
            support.amplitude > best_support) {
            best = c;
            best_support = support.amplitude;
        }
    }
    return static_cast<int32_t>(best ? *best : lowest.value_or(0));
}

std::vector<Partial> timbre_partials(const PickedPartials& picked) {
    std::vector<Partial> partials;
    partials.reserve(picked.partials.size());
    for (const MeasuredPartial& p : picked.partials) partials.push_back({p.ratio, p.amplitude});
    return partials;
}

std::optional<Error> check_picking_settings(const PickingSettings& settings) {
    if (settings.max_partials < 1 || settings.max_partials > kMaxCurvePartials)
        return bad_setting("The number of partials must be between 1 and " +
                           std::to_string(kMaxCurvePartials) + ".");
    if (!(settings.threshold_db > 0.0 && settings.threshold_db <= kMaxThresholdDb))
        return bad_setting("The threshold must be more than 0 dB and at most " +
                           std::to_string(static_cast<int>(kMaxThresholdDb)) +
                           " dB below the strongest partial.");
    if (settings.fundamental_hz &&
        !(std::isfinite(*settings.fundamental_hz) && *settings.fundamental_hz > 0.0))
        return bad_setting("The fundamental must be a frequency above 0 Hz.");
    return std::nullopt;
}

Result<PickedPartials> pick_partials(std::span<const SpectralPeak> peaks,
                                     const PickingSettings& settings) {
    if (auto error = check_picking_settings(settings)) return *std::move(error);
    if (peaks.empty())
        return refusal(
            "No partial stands out of the noise in this stretch; choose a "
            "stretch where the instrument sounds clearly.");

    // The strongest peaks within the threshold, then back in ascending frequency.
    std::vector<SpectralPeak> picked(peaks.begin(), peaks.end());
    std::stable_sort(
        picked.begin(), picked.end(),
        [](const SpectralPeak& a, const SpectralPeak& b) { return a.amplitude > b.amplitude; });
    const double strongest = picked.front().amplitude;
    const double lowest = strongest * std::pow(10.0, -settings.threshold_db / 20.0);
    const auto within = std::find_if(picked.begin(), picked.end(),
                                     [&](const SpectralPeak& p) { return p.amplitude < lowest; });
    picked.erase(within, picked.end());
    if (picked.size() > static_cast<size_t>(settings.max_partials))
        picked.resize(static_cast<size_t>(settings.max_partials));
    std::sort(picked.begin(), picked.end(), [](const SpectralPeak& a, const SpectralPeak& b) {
        return a.frequency_hz < b.frequency_hz;
    });

    PickedPartials result;
    if (settings.fundamental_hz) {
        const double wanted = std::log(*settings.fundamental_hz);
        const auto nearest = std::min_element(
            picked.begin(), picked.end(), [&](const SpectralPeak& a, const SpectralPeak& b) {
                return std::fabs(std::log(a.frequency_hz) - wanted) <
                       std::fabs(std::log(b.frequency_hz) - wanted);
            });
        result.fundamental_index = static_cast<int32_t>(nearest - picked.begin());
    } else {
        result.fundamental_index = propose_fundamental(picked);
    }
    const double fundamental = picked[static_cast<size_t>(result.fundamental_index)].frequency_hz;
    for (const SpectralPeak& p : picked) {
        MeasuredPartial partial;
        partial.ratio = p.frequency_hz / fundamental;
        partial.amplitude = p.amplitude / strongest;
        partial.amplitude_db = 20.0 * std::log10(partial.amplitude);
        partial.frequency_hz = p.frequency_hz;
        result.partials.push_back(partial);
    }
    return result;
}

}  // namespace kelvara
