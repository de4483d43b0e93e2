#pragma once
// Keyboard-mapping files (.kbm), the companion of a scale file: which key plays which degree
// and which key sounds which frequency. After any '!' comment lines, one value a line:
//
//     map size (0: linear, each key the next degree)
//     first key to retune, last key to retune     (0..127)
//     middle key (plays degree 0)
//     reference key, reference frequency in Hz    (the key that sounds that frequency)
//     formal octave: degrees between repeats of the map
//     then up to `map size` entries: a degree, or x for a silent key
//
// The reader follows the scale reader's text rules (comments anywhere, blanks, text after a
// value, CRLF, at most 1 MiB) and refuses anything else with the line and the reason. Pure
// functions; any thread.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/error.h"
#include "scales/keyboard_mapping.h"

namespace kelvara {

// The text of a keyboard-mapping file, each value under a comment that names it. A linear
// mapping writes map size 0 and, as its formal octave, `degrees_per_period` (the scale file's
// count): under a linear mapping that many keys make one period, so the file says the same
// thing to a reader that uses the formal octave and to one that ignores it. The frequency is
// written in the fewest digits that read back to it (a value that is a 32-bit float, as the
// document's base frequency is, in the fewest that read back to that float).
std::string write_keyboard_mapping(const KeyboardMapping& mapping, int32_t degrees_per_period);

// Reads a keyboard-mapping file. Refused (an Error, its detail saying what and its where.line
// where): a file over 1 MiB; a
// missing value; a value that is not a whole number where one is needed; a map size above
// kMaxMapPatternKeys; a key outside 0..127; a last key below the first; a reference frequency
// that is not a decimal number above 0 and at most 1 MHz; a formal octave or degree outside
// 0..kMaxMappedDegree; a map entry that is neither a degree nor x; more entries than the map
// size; a reference key that falls on a silent entry. A pattern with fewer entries than the
// map size has its last keys silent, as the format allows. Every mapping read is usable.
Result<KeyboardMapping> read_keyboard_mapping(std::string_view bytes);
// Reads the keyboard-mapping file at `path`: the operating system's error when it cannot be read,
// otherwise as read_keyboard_mapping() does, each refusal naming the file.
Result<KeyboardMapping> read_keyboard_mapping_file(const std::filesystem::path& path);

}  // namespace kelvara
