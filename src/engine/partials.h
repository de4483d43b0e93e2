#pragma once
// The partial list: every tone of a document as sine partials (frequency in hertz, linear
// amplitude), tone by tone, harmonics ascending. The fixed tones come first, one per
// dissonance ratio, then the sweep tone, whose frequencies are moved for each sampled x.
#include <cstdint>
#include <span>

#include "engine/overtone_type.h"

namespace kelvara {

struct Timbre {
    int32_t overtone_type = GeometricHarmonics;  // an OvertoneType, 0 to 5
    int32_t number_of_overtones = 25;            // partials per tone, types 1 to 5
    double base_frequency = 440.0;               // hertz of ratio 1.0
};

// Partials per tone: one for a pure tone, else the number of overtones.
int32_t partials_per_tone(const Timbre& timbre);

// Entries of the partial list for `number_of_fixed_tones` fixed tones plus the sweep tone.
int32_t number_of_partials(const Timbre& timbre, int32_t number_of_fixed_tones);

// Amplitude of each harmonic k = 1 .. out.size() of a tone, computed with the exact 32-bit
// roundings that fix the curve's last bits (the 0.9 chain of the shaped type is narrowed at
// every step; the 0.92 chain of the geometric type is multiplied in 64 bits and narrowed).
void harmonic_amplitudes(int32_t overtone_type, std::span<float> out);

// Fills the fixed tones at base_frequency × ratio and the sweep tone's amplitudes (its
// frequencies are left at 0 Hz until move_sweep_tone). The arrays hold at least
// number_of_partials(timbre, ratios.size()) entries. A timbre type outside 0 to 5 writes
// nothing; the document never holds one.
void build_partials(const Timbre& timbre, std::span<const float> dissonance_ratios, float* partials,
                    float* amplitudes);

// Moves the sweep tone (the tone after the `number_of_fixed_tones` fixed ones) to interval
// ratio x: its fundamental becomes x × base_frequency, narrowed to 32 bits, and harmonic k
// sounds at that times k.
void move_sweep_tone(const Timbre& timbre, int32_t number_of_fixed_tones, float x, float* partials);

}  // namespace kelvara
