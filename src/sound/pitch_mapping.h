#pragma once
// Frequency → MIDI note number with a fraction, as the synthesizer is given it. Pure functions
// in 32-bit float arithmetic; no clamping to the MIDI range.
#include <optional>

namespace kelvara::sound {

// n + fraction, where n = floor(12·log2(f/440)) + 69 and the fraction is linear in hertz
// between the equal-tempered neighbours n and n + 1 (so it lies at most about 0.72 cent below
// the exact logarithmic pitch between semitones).
float frac_midi_note_for_frequency(float frequency);

// n alone; when out_fraction is not null the fraction is written there too. With a null
// out_fraction the neighbour frequencies are never computed.
float midi_note_for_frequency(float frequency, float* out_fraction = nullptr);

// The pitch a chord tone is started at, or nothing when the tone must not reach the
// synthesizer: a frequency that is not finite or not positive has no logarithm. (The result
// is checked for finiteness too, so no rounding path can hand the synthesizer a NaN.)
std::optional<float> playable_pitch_for_frequency(float frequency);

// The exact logarithmic pitch 69 + 12·log2(f/440), for the tones that must sound at exactly
// the frequency asked for (the document's timbre played from the window); nothing as above.
std::optional<float> exact_pitch_for_frequency(float frequency);

}  // namespace kelvara::sound
