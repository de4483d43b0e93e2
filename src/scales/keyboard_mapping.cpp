#include "scales/keyboard_mapping.h"

#include <algorithm>
#include <cmath>

namespace kelvara {

namespace {

bool is_midi_key(int32_t key) {
    return key >= kLowestMidiKey && key <= kHighestMidiKey;
}

bool is_mapped_degree(int32_t degree) {
    return degree >= 0 && degree <= kMaxMappedDegree;
}

// The degree of a key in a mapping whose fields are within their bounds (keys 0..127, pattern
// degrees and octave up to a million): every product below stays far inside 64 bits.
std::optional<int64_t> degree_in_bounded_mapping(const KeyboardMapping& mapping, int32_t key) {
    const int64_t offset = int64_t{key} - mapping.middle_key;
    if (mapping.pattern.empty()) return offset;
    const auto size = static_cast<int64_t>(mapping.pattern.size());
    int64_t repeat = offset / size;
    if (offset % size != 0 && offset < 0) --repeat;
    const std::optional<int32_t> entry =
        mapping.pattern[static_cast<size_t>(offset - repeat * size)];
    if (!entry) return std::nullopt;
    return *entry + repeat * mapping.formal_octave_degree;
}

std::optional<double> usable_frequency(double frequency_hz) {
    if (!std::isfinite(frequency_hz) || !(frequency_hz > 0.0)) return std::nullopt;
    return frequency_hz;
}

}  // namespace

KeyboardMapping linear_keyboard_mapping(int32_t reference_key, double base_frequency_hz) {
    KeyboardMapping mapping;
    mapping.middle_key = reference_key;
    mapping.reference_key = reference_key;
    mapping.reference_frequency_hz = base_frequency_hz;
    return mapping;
}

bool is_usable(const KeyboardMapping& mapping) {
    if (!is_midi_key(mapping.first_key) || !is_midi_key(mapping.last_key) ||
        !is_midi_key(mapping.middle_key) || !is_midi_key(mapping.reference_key))
        return false;
    if (mapping.first_key > mapping.last_key) return false;
    if (!usable_frequency(mapping.reference_frequency_hz)) return false;
    if (mapping.pattern.size() > static_cast<size_t>(kMaxMapPatternKeys)) return false;
    if (!is_mapped_degree(mapping.formal_octave_degree)) return false;
    const bool degrees_in_bounds = std::all_of(
        mapping.pattern.begin(), mapping.pattern.end(),
        [](const std::optional<int32_t>& degree) { return !degree || is_mapped_degree(*degree); });
    if (!degrees_in_bounds) return false;
    return degree_in_bounded_mapping(mapping, mapping.reference_key).has_value();
}

std::optional<int64_t> degree_of_key(const KeyboardMapping& mapping, int32_t key) {
    if (!is_usable(mapping) || !is_midi_key(key)) return std::nullopt;
    return degree_in_bounded_mapping(mapping, key);
}

KeyFrequencies key_frequencies_hz(const PeriodicScale& scale, const KeyboardMapping& mapping) {
    KeyFrequencies frequencies{};
    if (!is_usable(mapping)) return frequencies;
    const int64_t reference_degree = *degree_in_bounded_mapping(mapping, mapping.reference_key);
    for (int32_t key = mapping.first_key; key <= mapping.last_key; ++key) {
        const std::optional<int64_t> degree = degree_in_bounded_mapping(mapping, key);
        if (!degree) continue;
        frequencies[static_cast<size_t>(key)] =
            usable_frequency(mapping.reference_frequency_hz *
                             scale.ratio_between_degrees(reference_degree, *degree));
    }
    return frequencies;
}

KeyFrequencies keyboard_frequencies_hz(const PeriodicScale& scale, double base_frequency_hz,
                                       int32_t reference_key) {
    return key_frequencies_hz(scale, linear_keyboard_mapping(reference_key, base_frequency_hz));
}

std::optional<double> base_frequency_hz(const PeriodicScale& scale,
                                        const KeyboardMapping& mapping) {
    if (!is_usable(mapping)) return std::nullopt;
    const int64_t reference_degree = *degree_in_bounded_mapping(mapping, mapping.reference_key);
    return usable_frequency(mapping.reference_frequency_hz *
                            scale.ratio_between_degrees(reference_degree, 0));
}

}  // namespace kelvara
