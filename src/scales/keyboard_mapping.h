#pragma once
// Which degree of a periodic scale each MIDI key plays, and so the frequency of every key:
// the one mapping that the keyboard-mapping file, the tuning dump sent to a synthesizer and
// the keys filled for Kelvara's own synthesizer all use.
//
// The usual mapping is linear: the reference key (60 unless the user picks another) plays
// degree 0 at the base frequency, the key above it the next degree, and so on by the period
// up and down. A mapping read from a file may instead repeat a pattern of keys, some of
// them silent. Pure values and functions; any thread.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "scales/periodic_scale.h"

namespace kelvara {

inline constexpr int32_t kLowestMidiKey = 0;
inline constexpr int32_t kHighestMidiKey = 127;
inline constexpr int32_t kDefaultReferenceKey = 60;

// Bounds of a usable mapping, so that every degree it names fits 64-bit arithmetic: a map
// pattern of up to 1024 keys (a pattern longer than the 128 keys already never repeats) and
// degrees up to a million.
inline constexpr int32_t kMaxMapPatternKeys = 1024;
inline constexpr int32_t kMaxMappedDegree = 1'000'000;

struct KeyboardMapping {
    // The keys retuned; the others keep no frequency here.
    int32_t first_key = kLowestMidiKey;
    int32_t last_key = kHighestMidiKey;
    // The key that plays degree 0 (the first entry of the pattern).
    int32_t middle_key = kDefaultReferenceKey;
    // The key that sounds reference_frequency_hz.
    int32_t reference_key = kDefaultReferenceKey;
    double reference_frequency_hz = 261.6255653005986;
    // Empty: linear, key middle_key + i plays degree i. Otherwise a pattern of keys from
    // middle_key on, each playing the degree given or silent (nothing), repeating up and down
    // every pattern.size() keys, each repeat formal_octave_degree degrees further.
    std::vector<std::optional<int32_t>> pattern;
    int32_t formal_octave_degree = 0;

    friend bool operator==(const KeyboardMapping&, const KeyboardMapping&) = default;
};

// The linear mapping that puts degree 0 on `reference_key` at `base_frequency_hz`, every key
// from 0 to 127 retuned.
KeyboardMapping linear_keyboard_mapping(int32_t reference_key = kDefaultReferenceKey,
                                        double base_frequency_hz = 261.6255653005986);

// Whether the frequency functions can use a mapping: keys within 0..127 with first <= last,
// a finite reference frequency above 0, a pattern of at most kMaxMapPatternKeys keys, its
// degrees and the formal octave within 0..kMaxMappedDegree, and the reference key on a key
// that plays a degree (its frequency names the tuning).
bool is_usable(const KeyboardMapping& mapping);

// The degree a key plays, whether or not it lies in first_key..last_key; nothing for a silent
// key of the pattern, or a mapping that is not usable. Linear with middle 60: key 61 -> 1,
// key 48 -> -12.
std::optional<int64_t> degree_of_key(const KeyboardMapping& mapping, int32_t key);

// The frequency of each key 0..127, in hertz. Nothing for a key outside first..last, a silent
// key, a frequency that is not finite and above 0 (a scale so wide that its far keys leave
// the range of a double), or every key of a mapping that is not usable.
using KeyFrequencies = std::array<std::optional<double>, kHighestMidiKey + 1>;
KeyFrequencies key_frequencies_hz(const PeriodicScale& scale, const KeyboardMapping& mapping);

// The scale on the keyboard: key_frequencies_hz() for the linear mapping, so `reference_key`
// sounds the base frequency, the key above it the first step, and the keys repeat the scale by
// its period up and down. 12 equal steps, base 261.63 Hz at key 60: key 69 -> 440 Hz.
KeyFrequencies keyboard_frequencies_hz(const PeriodicScale& scale, double base_frequency_hz,
                                       int32_t reference_key = kDefaultReferenceKey);

// The frequency of degree 0 (the scale's 1/1, the table's base) under a mapping: the
// reference frequency brought down from the degree the reference key plays. Nothing for a
// mapping that is not usable or a result that is not finite and above 0.
std::optional<double> base_frequency_hz(const PeriodicScale& scale, const KeyboardMapping& mapping);

}  // namespace kelvara
