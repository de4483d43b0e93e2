#pragma once
// A chord: the frequencies in hertz that one mapped MIDI key sounds together, as 32-bit
// floats in the order the user entered them. Values need not be distinct or sorted, and a
// chord may be empty.
#include <vector>

namespace kelvara {

using Chord = std::vector<float>;

}  // namespace kelvara
