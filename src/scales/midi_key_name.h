#pragma once
// The name a musician reads for a MIDI key: its pitch class and octave, middle C (key 60)
// being C4, black keys written with a sharp (F♯4 for 66).
#include <cstdint>
#include <string>

namespace kelvara {

// "C4" for 60, "F♯4" for 66 (the sharp is U+266F, in UTF-8), "C-1" for 0, "G9" for 127; an
// empty string for a key outside 0..127, which a chord map may store but never plays.
std::string midi_key_name(int32_t key);

}  // namespace kelvara
