#include "sound/peak_estimator.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace kelvara::testing {

Spectrum::Spectrum(const std::vector<float>& signal, double sample_rate)
    : windowed_(signal.size()), sample_rate_(sample_rate) {
    const size_t size = signal.size();
    for (size_t n = 0; n < size; ++n) {
        const double x = 2.0 * std::numbers::pi * double(n) / double(std::max<size_t>(size - 1, 1));
        const double w =
            0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        window_sum_ += w;
        windowed_[n] = w * double(signal[n]);
    }
}

double Spectrum::amplitude_at(double hz) const {
    if (window_sum_ <= 0.0) return 0.0;
    const double w = 2.0 * std::numbers::pi * hz / sample_rate_;
    // A rotating phasor, re-anchored every block so rounding cannot build up.
    constexpr size_t kBlock = 1024;
    const std::complex<double> step = std::polar(1.0, -w);
    std::complex<double> sum = 0.0;
    for (size_t start = 0; start < windowed_.size(); start += kBlock) {
        std::complex<double> phasor = std::polar(1.0, -w * double(start));
        const size_t end = std::min(windowed_.size(), start + kBlock);
        for (size_t n = start; n < end; ++n) {
            sum += windowed_[n] * phasor;
            phasor *= step;
        }
    }
    return 2.0 * std::abs(sum) / window_sum_;
}

double Spectrum::peak_frequency(double guess_hz, double search_cents) const {
    const double ratio = std::exp2(search_cents / 1200.0);
    const double step = sample_rate_ / double(std::max<size_t>(windowed_.size(), 1)) / 8.0;
    double best = guess_hz, best_amplitude = -1.0;
    for (double f = guess_hz / ratio; f <= guess_hz * ratio; f += step) {
        const double a = amplitude_at(f);
        if (a > best_amplitude) {
            best_amplitude = a;
            best = f;
        }
    }
    double lo = best - step, hi = best + step;
    const double golden = (std::sqrt(5.0) - 1.0) / 2.0;
    double a = hi - golden * (hi - lo), b = lo + golden * (hi - lo);
    double fa = amplitude_at(a), fb = amplitude_at(b);
    while (hi - lo > guess_hz * 1e-9) {
        if (fa > fb) {
            hi = b;
            b = a;
            fb = fa;
            a = hi - golden * (hi - lo);
            fa = amplitude_at(a);
        } else {
            lo = a;
            a = b;
            fa = fb;
            b = lo + golden * (hi - lo);
            fb = amplitude_at(b);
        }
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
