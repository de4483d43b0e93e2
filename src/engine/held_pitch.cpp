#include "engine/held_pitch.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace kelvara {
namespace {

// A window shorter than this many periods of the tone has no peak worth reading.
constexpr double kMinPeriods = 4.0;
// Coarse steps, in bins of the long transform, over the search range; the highest is then
// searched bin by bin.
constexpr int kCoarseBins = 8;

class HannStretch {
public:
    HannStretch(std::span<const float> x, double rate) : values_(x.size()), rate_(rate) {
        const double last = double(std::max<size_t>(x.size(), 2) - 1);
        for (size_t n = 0; n < x.size(); ++n)
            values_[n] = (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(n) / last)) * x[n];
    }

    // The magnitude of the DTFT at bin `k` of the long transform.
    double magnitude(long k) const {
        const double step = -2.0 * std::numbers::pi * double(k) / kHeldPitchTransformSize;
        const std::complex<double> turn = std::polar(1.0, step);
        std::complex<double> phasor = 1.0, sum = 0.0;
        for (size_t n = 0; n < values_.size(); ++n) {
            if (n % kReanchor == 0) phasor = std::polar(1.0, step * double(n));
            sum += values_[n] * phasor;
            phasor *= turn;
        }
        return std::abs(sum);
    }
    double bin_hz() const { return rate_ / kHeldPitchTransformSize; }

private:
    static constexpr size_t kReanchor = 1024;
    std::vector<double> values_;
    double rate_;
};

}  // namespace

double held_peak_hz(std::span<const float> stretch, double rate_hz, double guess_hz,
                    double search_cents) {
    if (!(rate_hz > 0.0 && guess_hz > 0.0 && guess_hz < rate_hz / 2.0) ||
        double(stretch.size()) * guess_hz / rate_hz < kMinPeriods)
        return std::nan("");
    const HannStretch hann(stretch, rate_hz);
    const double ratio = std::exp2(search_cents / 1200.0);
    const auto low = long(std::floor(guess_hz / ratio / hann.bin_hz()));
    const auto high = long(std::ceil(guess_hz * ratio / hann.bin_hz()));
    long best = low;
    double best_level = -1.0;
    const auto consider = [&](long k) {
        if (const double m = hann.magnitude(k); m > best_level) {
            best = k;
            best_level = m;
        }
    };
    for (long k = low; k <= high; k += kCoarseBins) consider(k);
    for (long k = best - kCoarseBins + 1, coarse = best; k < coarse + kCoarseBins; ++k) consider(k);
    if (!(best_level > 0.0)) return std::nan("");
    const double l = std::log(hann.magnitude(best - 1) + 1e-300), m = std::log(best_level),
                 r = std::log(hann.magnitude(best + 1) + 1e-300);
    const double curvature = l - 2.0 * m + r;
    const double shift = curvature < 0.0 ? std::clamp(0.5 * (l - r) / curvature, -0.5, 0.5) : 0.0;
    return (double(best) + shift) * hann.bin_hz();
}

std::vector<std::vector<double>> held_pitch_cents(std::span<const float> audio, double rate_hz,
                                                  std::span<const double> tones_hz,
                                                  std::span<const HeldWindow> windows) {
    std::vector<std::vector<double>> cents;
    for (const HeldWindow& w : windows) {
        const auto first = size_t(std::max(0.0, std::round(w.start_seconds * rate_hz)));
        const auto last =
            std::min(audio.size(), size_t(std::max(0.0, std::round(w.end_seconds * rate_hz))));
        const auto stretch =
            first < last ? audio.subspan(first, last - first) : std::span<const float>();
        std::vector<double>& row = cents.emplace_back();
        for (const double hz : tones_hz)
            row.push_back(1200.0 * std::log2(held_peak_hz(stretch, rate_hz, hz) / hz));
    }
    return cents;
}

}  // namespace kelvara
