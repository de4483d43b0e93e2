#pragma once
// The rule of validity of each value (base/value_limits.h) as one table, for every way in to
// drive with the same answers: the document's actions (fields and cells) and the file reader. Each
// kind has its upper edge within (the edges are inclusive), one value clamped on reading and, where
// there is one, a value nothing can stand in for.
//
// Every editor and argument takes a value within its bounds as it is and refuses any other
// with a message naming the bounds (a text that is no number at all, such as "inf", is refused
// by the text reader first, for that reason). The file reader takes a value within bounds,
// brings a finite value outside them into bounds (listing it, the document marked edited), and
// refuses the file for one nothing can stand in for: not finite, or a ratio or frequency of 0
// or below.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/value_limits.h"
#include "persistence/document_file.h"
#include "scales/decimal_text.h"

namespace kelvara::testing {

enum class Answer { Within, Clamped, Impossible };

struct ValueRow {
    BoundedValue kind;
    double value;
    Answer answer;

    std::string name() const {
        return std::string(value_name(kind)) + " " + number_text(static_cast<float>(value));
    }
    // Whether a refusal's message names the bounds (a text reader refuses "inf" first).
    bool refusal_names_bounds() const { return std::isfinite(value); }
};

inline const std::vector<ValueRow>& value_rows() {
    using B = BoundedValue;
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    static const std::vector<ValueRow> rows = {
        {B::ScaleRatio, 1e-3, Answer::Within},
        {B::ScaleRatio, 1e3, Answer::Within},
        {B::ScaleRatio, 1e30, Answer::Clamped},
        {B::ScaleRatio, 0.0, Answer::Impossible},
        {B::ScaleRatio, kInfinity, Answer::Impossible},
        {B::FixedToneRatio, 1.25, Answer::Within},
        {B::FixedToneRatio, 2000.0, Answer::Clamped},
        {B::FixedToneRatio, 0.0, Answer::Impossible},
        {B::RangeRatio, 1e-3, Answer::Within},
        {B::RangeRatio, 1e-4, Answer::Clamped},
        {B::RangeRatio, -1.0, Answer::Impossible},
        {B::BaseFrequencyHz, 20000.0, Answer::Within},
        {B::BaseFrequencyHz, 10.0, Answer::Clamped},
        {B::BaseFrequencyHz, 0.0, Answer::Impossible},
        {B::ChordToneHz, 20000.0, Answer::Within},
        {B::ChordToneHz, 0.5, Answer::Clamped},
        {B::ChordToneHz, 0.0, Answer::Impossible},
        {B::MidiKey, 127.0, Answer::Within},
        {B::MidiKey, 128.0, Answer::Clamped},
        {B::Overtones, 128.0, Answer::Within},
        {B::Overtones, 0.0, Answer::Clamped},
        {B::PartialRatio, 1e3, Answer::Within},
        {B::PartialRatio, 5000.0, Answer::Clamped},
        {B::PartialRatio, 0.0, Answer::Impossible},
        {B::PartialAmplitude, 0.0, Answer::Within},
        {B::PartialAmplitude, 1e3, Answer::Within},
        {B::PartialAmplitude, -1.0, Answer::Clamped},
        {B::PartialAmplitude, kInfinity, Answer::Impossible},
    };
    return rows;
}

// A custom timbre of one partial.
inline void put_partial(DocumentFileState& s, Partial partial) {
    s.overtone_type = CustomPartials;
    s.number_of_overtones = 1;
    s.custom_partials = {partial};
}

// The row's value in a document file's state: the only scale ratio or fixed tone, the chord
// of key 60 alone, the key of the only chord (220 Hz), the ratio or amplitude of a custom
// timbre's only partial (the other value 1).
inline void put_value(DocumentFileState& s, const ValueRow& row) {
    const auto number = static_cast<float>(row.value);
    // Used by the whole-number kinds; kept within int range so that every row converts.
    const auto key = static_cast<int32_t>(std::clamp(row.value, -1e9, 1e9));
    switch (row.kind) {
        case BoundedValue::ScaleRatio: s.scale_ratios = {number}; break;
        case BoundedValue::FixedToneRatio: s.dissonance_ratios = {number}; break;
        case BoundedValue::RangeRatio: s.x_min = number; break;
        case BoundedValue::BaseFrequencyHz: s.base_frequency = number; break;
        case BoundedValue::ChordToneHz:
            s.midi_note_numbers = {60}, s.chords = {{60, {number}}};
            break;
        case BoundedValue::MidiKey:
            s.midi_note_numbers = {key}, s.chords = {{key, {220.0f}}};
            break;
        case BoundedValue::Overtones: s.number_of_overtones = key; break;
        case BoundedValue::PartialRatio: put_partial(s, {row.value, 1.0}); break;
        case BoundedValue::PartialAmplitude: put_partial(s, {1.0, row.value}); break;
    }
}

// The state every way in starts from for a row: a row in every table (scale ratio 1, fixed
// tone 1, key 60 at 220 Hz) and, for a partial's value, a custom timbre of one partial of
// ratio 1 and amplitude 1.
inline DocumentFileState state_with_rows(BoundedValue kind) {
    DocumentFileState s;
    put_value(s, {BoundedValue::ChordToneHz, 220.0, Answer::Within});
    s.scale_ratios = {1.0f};
    if (kind == BoundedValue::PartialRatio || kind == BoundedValue::PartialAmplitude)
        put_partial(s, {1.0, 1.0});
    return s;
}

}  // namespace kelvara::testing
