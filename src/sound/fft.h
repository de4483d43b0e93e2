#pragma once
// A radix-2 fast Fourier transform and the autocorrelation built on it, for the pitch
// estimator's short analysis frames (a few thousand samples). Not real-time safe: both
// allocate.
#include <cstddef>
#include <span>
#include <vector>

namespace kelvara::sound {

// The discrete Fourier transform in place of the complex sequence re[n] + i im[n],
// X[k] = sum x[n] e^(-2 pi i k n / N), or its inverse without the 1/N factor. Both parts must
// have the same size, a power of two (anything else is left as it is).
void fft_in_place(std::vector<double>& re, std::vector<double>& im, bool inverse = false);

// r[lag] = sum over n of x[n] * x[n + lag], for lag 0 .. max_lag (the sum runs over the pairs
// inside `x`; lags at or beyond x.size() are 0).
std::vector<double> autocorrelation(std::span<const float> x, size_t max_lag);

}  // namespace kelvara::sound
