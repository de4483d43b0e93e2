#pragma once
// A chord: the frequencies in hertz that one mapped MIDI key sounds together, as 32-bit
// floats in the order the user entered them. Values need not be distinct or sorted, and a
// chord may be empty.
#include <string>
#include <vector>

namespace kelvara {

using Chord = std::vector<float>;

// A chord as typed: its tones, and the text when it was typed in the root form
// (scales/chord_text.h, trimmed), so that the chord table shows it back as written; empty for
// a frequency list.
struct TypedChord {
    Chord tones;
    std::string root_form;
    friend bool operator==(const TypedChord&, const TypedChord&) = default;
};

}  // namespace kelvara
