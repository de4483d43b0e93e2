#include "midi/computer_keyboard_layout.h"

#include <string_view>

namespace kelvara::midi {
namespace {
// Each row's characters in the order of the keys they play, one semitone apart.
constexpr std::string_view kLowerRow = "ZSXDCVGBHNJM,L.;/";
constexpr std::string_view kUpperRow = "Q2W3ER5T6Y7UI9O0P[=]";
constexpr int kOctave = 12;
}  // namespace

std::optional<int> computer_keyboard_key(int character, int lowest_key) {
    if (character >= 'a' && character <= 'z') character -= 'a' - 'A';
    if (character <= 0 || character > 0x7F) return std::nullopt;
    const char c = static_cast<char>(character);
    int key = 0;
    if (const size_t at = kLowerRow.find(c); at != std::string_view::npos)
        key = lowest_key + static_cast<int>(at);
    else if (const size_t up = kUpperRow.find(c); up != std::string_view::npos)
        key = lowest_key + kOctave + static_cast<int>(up);
    else
        return std::nullopt;
    if (key < 0 || key > 127) return std::nullopt;
    return key;
}

}  // namespace kelvara::midi
