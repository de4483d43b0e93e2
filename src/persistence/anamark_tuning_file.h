#pragma once
// AnaMark tuning files (.tun, format version 2), as software synthesizers without the MIDI
// Tuning Standard read them: every MIDI key's pitch in cents above the base frequency
// 8.1757989156 Hz (equal-tempered key 0 at A = 440 Hz), once rounded to whole cents in the
// [Tuning] section older readers take, and once to a millionth of a cent in [Exact Tuning].
// Pure functions; any thread.
#include <string>
#include <string_view>

#include "scales/keyboard_mapping.h"

namespace kelvara {

inline constexpr double kAnaMarkBaseFrequencyHz = 8.1757989156;

// The file of a keyboard's frequencies, named `name` (quotes and line breaks in it become
// spaces). A key without a frequency keeps its equal-tempered pitch (100 cents a key), as a
// synthesizer plays a key the file leaves alone. Lines end with "\r\n", as the format's
// readers on every system take them.
std::string write_anamark_tuning(std::string_view name, const KeyFrequencies& keys);

}  // namespace kelvara
