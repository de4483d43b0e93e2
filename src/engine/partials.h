#pragma once
// The partial list: every tone of a document as sine partials (frequency in hertz, linear
// amplitude), tone by tone, harmonics ascending. The fixed tones come first, one per
// dissonance ratio, then the sweep tone, whose frequencies are moved for each sampled x.
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "engine/overtone_type.h"

namespace kelvara {

// One sine partial of a timbre.
struct Partial {
    double ratio = 1.0;      // frequency over the tone's fundamental, > 0
    double amplitude = 1.0;  // linear, >= 0
    friend bool operator==(const Partial&, const Partial&) = default;
};

struct Timbre {
    // A new document's timbre unless told otherwise; {type, count, base} names a parametric
    // one.
    Timbre(int32_t type = GeometricHarmonics, int32_t count = 25, double base_hz = 440.0,
           std::vector<Partial> partials = {})
        : overtone_type(type),
          number_of_overtones(count),
          base_frequency(base_hz),
          custom_partials(std::move(partials)) {}

    int32_t overtone_type = GeometricHarmonics;  // an OvertoneType, 0 to 6
    // Partials per tone for types 1 to 5. A custom timbre keeps it equal to the number of its
    // partials, so that the arrays sized for it hold every tone.
    int32_t number_of_overtones = 25;
    double base_frequency = 440.0;  // hertz of ratio 1.0
    // The partials of a custom timbre, in the order entered (1 to kMaxOvertones of them);
    // empty for a parametric one.
    std::vector<Partial> custom_partials;
    friend bool operator==(const Timbre&, const Timbre&) = default;
};

// Partials per tone: one for a pure tone, the list's length for a custom timbre, else the
// number of overtones.
int32_t partials_per_tone(const Timbre& timbre);

// Entries of the partial list for `number_of_fixed_tones` fixed tones plus the sweep tone.
int32_t number_of_partials(const Timbre& timbre, int32_t number_of_fixed_tones);

// Amplitude of each harmonic k = 1 .. out.size() of a tone, computed with the exact 32-bit
// roundings that fix the curve's last bits (the 0.9 chain of the shaped type is narrowed at
// every step; the 0.92 chain of the geometric type is multiplied in 64 bits and narrowed).
void harmonic_amplitudes(int32_t overtone_type, std::span<float> out);

// The parametric type that stands in for a custom timbre where only the types are known (the
// usual entries of a file): the type whose amplitude shape is closest to the partials'.
// Both shapes are scaled to a largest amplitude of 1; the partials, by ascending ratio, are
// compared with harmonics 1, 2, ... (a pure tone has only the first), by the sum of squared
// differences; ties go to the lower type. A list with one partial, or an empty or silent one,
// gives PureTone.
int32_t nearest_parametric_type(std::span<const Partial> partials);

// Fills the fixed tones at base_frequency × ratio and the sweep tone's amplitudes (its
// frequencies are left at 0 Hz until move_sweep_tone). Partial k of a tone sounds at its
// fundamental (32 bits) times its ratio narrowed to 32 bits: k for the parametric types, so
// that a custom list of the same ratios and amplitudes gives the same list bit for bit. The
// arrays hold at least number_of_partials(timbre, ratios.size()) entries. A timbre type
// outside 0 to 6, or a custom list empty or longer than kMaxOvertones, writes nothing; the
// document never holds one.
void build_partials(const Timbre& timbre, std::span<const float> dissonance_ratios, float* partials,
                    float* amplitudes);

// Moves the sweep tone (the tone after the `number_of_fixed_tones` fixed ones) to interval
// ratio x: its fundamental becomes x × base_frequency, narrowed to 32 bits, and partial k
// sounds at that times its ratio (k for the parametric types).
void move_sweep_tone(const Timbre& timbre, int32_t number_of_fixed_tones, float x, float* partials);

}  // namespace kelvara
