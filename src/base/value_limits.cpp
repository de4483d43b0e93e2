#include "base/value_limits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kelvara {

std::string chord_size_refusal(size_t tones) {
    return "A chord holds at most " + std::to_string(kMaxChordTones) + " tones, not " +
           std::to_string(tones) + ".";
}

namespace {

std::string plain_number(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

// The message's subject, capitalised as a sentence starts.
std::string_view subject_of(BoundedValue value) {
    switch (value) {
        case BoundedValue::ScaleRatio: return "A scale ratio";
        case BoundedValue::FixedToneRatio: return "A fixed-tone ratio";
        case BoundedValue::RangeRatio: return "An end of the ratio range";
        case BoundedValue::BaseFrequencyHz: return "The base frequency";
        case BoundedValue::ChordToneHz: return "A chord tone";
        case BoundedValue::MidiKey: return "A MIDI key";
        case BoundedValue::Overtones: return "Overtones";
        case BoundedValue::PartialAmplitude: return "A partial's amplitude";
        case BoundedValue::PartialRatio: return "A partial's ratio";
    }
    return "A value";
}

}  // namespace

ValueBounds bounds_of(BoundedValue value) {
    switch (value) {
        case BoundedValue::ScaleRatio:
        case BoundedValue::FixedToneRatio:
        case BoundedValue::RangeRatio: return kRatioBounds;
        case BoundedValue::BaseFrequencyHz: return kBaseFrequencyBoundsHz;
        case BoundedValue::ChordToneHz: return kChordToneBoundsHz;
        case BoundedValue::MidiKey: return kMidiKeyBounds;
        case BoundedValue::Overtones: return kOvertoneBounds;
        case BoundedValue::PartialAmplitude: return kPartialAmplitudeBounds;
        case BoundedValue::PartialRatio: return kPartialRatioBounds;
    }
    return kRatioBounds;
}

bool is_within_bounds(BoundedValue value, double number) {
    const ValueBounds bounds = bounds_of(value);
    return number >= bounds.min && number <= bounds.max;
}

double clamped_into_bounds(BoundedValue value, double number) {
    if (std::isnan(number)) return number;
    const ValueBounds bounds = bounds_of(value);
    return std::clamp(number, bounds.min, bounds.max);
}

std::string_view value_name(BoundedValue value) {
    switch (value) {
        case BoundedValue::ScaleRatio: return "scale ratio";
        case BoundedValue::FixedToneRatio: return "fixed-tone ratio";
        case BoundedValue::RangeRatio: return "ratio range";
        case BoundedValue::BaseFrequencyHz: return "base frequency";
        case BoundedValue::ChordToneHz: return "chord tone";
        case BoundedValue::MidiKey: return "MIDI key";
        case BoundedValue::Overtones: return "number of overtones";
        case BoundedValue::PartialAmplitude: return "partial amplitude";
        case BoundedValue::PartialRatio: return "partial ratio";
    }
    return "value";
}

std::string bounds_text(BoundedValue value) {
    const ValueBounds bounds = bounds_of(value);
    const bool in_hz = value == BoundedValue::BaseFrequencyHz || value == BoundedValue::ChordToneHz;
    return plain_number(bounds.min) + "\u2013" + plain_number(bounds.max) + (in_hz ? " Hz" : "");
}

std::optional<std::string> value_refusal(BoundedValue value, double number) {
    if (is_within_bounds(value, number)) return std::nullopt;
    return std::string(subject_of(value)) + " must be " + bounds_text(value) + ".";
}

}  // namespace kelvara
