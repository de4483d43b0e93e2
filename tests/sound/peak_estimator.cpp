#include "sound/peak_estimator.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace kelvara::testing {

Spectrum::Spectrum(const std::vector<float>& signal, double sample_rate)
    : windowed_(signal.size()), sample_rate_(sample_rate) {
    const double last = double(std::max<size_t>(signal.size(), 2) - 1);
    for (size_t n = 0; n < signal.size(); ++n) {
        const double x = 2.0 * std::numbers::pi * double(n) / last;  // Blackman-Harris
        const double w =
            0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        window_sum_ += w;
        windowed_[n] = w * double(signal[n]);
    }
}

double Spectrum::amplitude_at(double hz) const {
    if (window_sum_ <= 0.0) return 0.0;
    const double w = 2.0 * std::numbers::pi * hz / sample_rate_;
    // A rotating phasor: over a few seconds of samples its rounding stays near 1e-11.
    const std::complex<double> step = std::polar(1.0, -w);
    std::complex<double> sum = 0.0, phasor = 1.0;
    for (const double x : windowed_) {
        sum += x * phasor;
        phasor *= step;
    }
    return 2.0 * std::abs(sum) / window_sum_;
}

double Spectrum::peak_frequency(double guess_hz, double search_cents) const {
    // A grid of an eighth of a bin finds the main lobe; a golden-section search refines it.
    const double ratio = std::exp2(search_cents / 1200.0);
    const double step = sample_rate_ / double(std::max<size_t>(windowed_.size(), 1)) / 8.0;
    double best = guess_hz, best_amplitude = -1.0;
    for (double f = guess_hz / ratio; f <= guess_hz * ratio; f += step) {
        if (const double a = amplitude_at(f); a > best_amplitude) {
            best = f;
            best_amplitude = a;
        }
    }
    const double golden = (std::sqrt(5.0) - 1.0) / 2.0;
    double lo = best - step, hi = best + step;
    while (hi - lo > guess_hz * 1e-9) {
        const double a = hi - golden * (hi - lo), b = lo + golden * (hi - lo);
        if (amplitude_at(a) > amplitude_at(b))
            hi = b;
        else
            lo = a;
    }
    return (lo + hi) / 2.0;
}

double cents_between(double hz, double reference_hz) {
    return 1200.0 * std::log2(hz / reference_hz);
}

std::vector<float> from_seconds(const std::vector<float>& signal, double sample_rate,
                                double start_seconds) {
    const auto start = size_t(std::lround(start_seconds * sample_rate));
    if (start >= signal.size()) return {};
    return {signal.begin() + long(start), signal.end()};
}

}  // namespace kelvara::testing
