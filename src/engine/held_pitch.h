#pragma once
// The pitch a rendered tone holds over stretches of its playing time, read the way a
// spectrum analyser reads it: the stretch under a Hann window, its spectrum on the grid of a
// 2^21-point transform (the stretch padded with zeros), and the top of the peak nearest the
// expected frequency found by a parabola through the log magnitudes of its highest bin and
// its two neighbours. The bins near the peak are computed one by one (a DTFT), so the long
// transform costs only the few dozen bins it needs.
//
// Pure computation on the caller's thread.
#include <span>
#include <vector>

namespace kelvara {

inline constexpr double kHeldPitchTransformSize = double(1 << 21);

// The frequency of the strongest peak within `search_cents` of `guess_hz` in `stretch`
// (sampled at `rate_hz`); NaN for a stretch too short, silent, or a guess beyond Nyquist.
double held_peak_hz(std::span<const float> stretch, double rate_hz, double guess_hz,
                    double search_cents = 20.0);

struct HeldWindow {
    double start_seconds = 0.0;
    double end_seconds = 0.0;
};

// The cents from each tone's frequency to the peak held near it, per window:
// result[window][tone]. A window past the end of the audio gives NaN.
std::vector<std::vector<double>> held_pitch_cents(std::span<const float> audio, double rate_hz,
                                                  std::span<const double> tones_hz,
                                                  std::span<const HeldWindow> windows);

}  // namespace kelvara
