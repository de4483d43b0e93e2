#include "sound/pitch_mapping.h"

#include <cmath>

namespace kelvara::sound {
namespace {

constexpr float kReferenceHz = 440.0f;
constexpr float kReferenceNote = 69.0f;
constexpr float kNotesPerOctave = 12.0f;

float whole_note_for_frequency(float frequency) {
    const float quotient = frequency / kReferenceHz;
    return std::floor(kNotesPerOctave * std::log2(quotient)) + kReferenceNote;
}

float semitone_frequency_hz(float note) {
    return std::pow(2.0f, (note - kReferenceNote) / kNotesPerOctave) * kReferenceHz;
}

float fraction_above(float whole_note, float frequency) {
    const float lo = semitone_frequency_hz(whole_note);
    const float hi = semitone_frequency_hz(whole_note + 1.0f);
    return (frequency - lo) / (hi - lo);
}

}  // namespace

float frac_midi_note_for_frequency(float frequency) {
    const float n = whole_note_for_frequency(frequency);
    return n + fraction_above(n, frequency);
}

float midi_note_for_frequency(float frequency, float* out_fraction) {
    const float n = whole_note_for_frequency(frequency);
    if (out_fraction != nullptr) *out_fraction = fraction_above(n, frequency);
    return n;
}

std::optional<float> playable_pitch_for_frequency(float frequency) {
    if (!std::isfinite(frequency) || frequency <= 0.0f) return std::nullopt;
    const float pitch = frac_midi_note_for_frequency(frequency);
    if (!std::isfinite(pitch)) return std::nullopt;
    return pitch;
}

std::optional<float> exact_pitch_for_frequency(float frequency) {
    if (!std::isfinite(frequency) || frequency <= 0.0f) return std::nullopt;
    const auto pitch = static_cast<float>(
        kReferenceNote + kNotesPerOctave * std::log2(double(frequency) / kReferenceHz));
    if (!std::isfinite(pitch)) return std::nullopt;
    return pitch;
}

}  // namespace kelvara::sound
