#pragma once
// Frequency and level of spectral peaks, measured by maximising the magnitude of the
// Blackman-Harris-windowed DTFT of a signal: a grid search of an eighth of a bin finds the
// main lobe, a golden-section search refines it. On a clean sine of a second or more this is
// accurate far below a hundredth of a cent.
#include <vector>

namespace kelvara::testing {

class Spectrum {
public:
    Spectrum(const std::vector<float>& signal, double sample_rate);

    // The amplitude of a sinusoid at `hz` (1.0 for a full-scale sine).
    double amplitude_at(double hz) const;
    // The frequency of the largest peak within `search_cents` of `guess_hz`.
    double peak_frequency(double guess_hz, double search_cents = 10.0) const;

private:
    std::vector<double> windowed_;
    double window_sum_ = 0.0;
    double sample_rate_;
};

// The interval from `reference_hz` up to `hz`, in cents.
double cents_between(double hz, double reference_hz);

// The part of `signal` from `start_seconds` on (to skip the attack).
std::vector<float> from_seconds(const std::vector<float>& signal, double sample_rate,
                                double start_seconds);

}  // namespace kelvara::testing
