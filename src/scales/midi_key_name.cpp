#include "scales/midi_key_name.h"

#include <array>

#include "scales/chord_map.h"

namespace kelvara {

std::string midi_key_name(int32_t key) {
    if (key < 0 || key >= kMidiKeyCount) return {};
    static constexpr std::array<const char*, 12> kPitchClasses{
        "C", "C\u266F", "D", "D\u266F", "E", "F", "F\u266F", "G", "G\u266F", "A", "A\u266F", "B"};
    // Key 0 is the C five octaves below middle C: octave -1.
    return std::string(kPitchClasses[static_cast<size_t>(key % 12)]) + std::to_string(key / 12 - 1);
}

}  // namespace kelvara
