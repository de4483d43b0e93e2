#include "midi/midi_message.h"

#include <algorithm>

namespace kelvara::midi {

namespace {

constexpr uint8_t kSystemExclusive = 0xF0;
constexpr uint8_t kEndOfExclusive = 0xF7;

bool is_data(uint8_t byte) {
    return byte < 0x80;
}

// The length of a message that starts with `status`, other than system exclusive; 0 for a
// status that starts no message.
size_t length_of(uint8_t status) {
    if (status < 0xF0) {
        const uint8_t kind = status & 0xF0;
        return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
    }
    switch (status) {
        case 0xF1:
        case 0xF3: return 2;
        case 0xF2: return 3;
        case 0xF6:
        case 0xF8:
        case 0xFA:
        case 0xFB:
        case 0xFC:
        case 0xFE:
        case 0xFF: return 1;
        default: return 0;
    }
}

}  // namespace

bool is_complete_midi_message(std::span<const uint8_t> message) {
    if (message.empty() || message.size() > kMaxMidiOutputMessageBytes || is_data(message[0]))
        return false;
    const std::span<const uint8_t> rest = message.subspan(1);
    if (message[0] == kSystemExclusive) {
        return message.size() >= 2 && message.back() == kEndOfExclusive &&
               std::all_of(rest.begin(), rest.end() - 1, is_data);
    }
    return message.size() == length_of(message[0]) &&
           std::all_of(rest.begin(), rest.end(), is_data);
}

}  // namespace kelvara::midi
