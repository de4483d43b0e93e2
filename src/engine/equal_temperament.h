#pragma once
// The keys' own pitches, twelve-tone equal temperament with A4 (MIDI key 69) at 440 Hz, and
// the size of an interval in cents. Pure functions; any thread.
#include <cmath>

namespace kelvara {

inline constexpr double kConcertPitchHz = 440.0;
inline constexpr double kConcertPitchKey = 69.0;

// A key's pitch; a fractional key (a bent note, a tuning message's fraction) lies between.
inline double equal_tempered_hz(double key) {
    return kConcertPitchHz * std::exp2((key - kConcertPitchKey) / 12.0);
}

// From one frequency to another, 1200 to the octave.
inline double cents_between(double from_hz, double to_hz) {
    return 1200.0 * std::log2(to_hz / from_hz);
}

}  // namespace kelvara
