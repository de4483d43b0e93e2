#pragma once
// The MIDI burst of the input tests: keys 48 to 72 struck and released in a scattered order,
// each released later in the burst, and at the end every key still down released; no
// all-notes-off.
#include <array>
#include <cstdint>
#include <vector>

namespace kelvara::midi::testing {

inline std::vector<std::vector<uint8_t>> key_burst(int events) {
    constexpr int kKeys = 25;
    constexpr uint8_t kLowestKey = 48;
    std::vector<std::vector<uint8_t>> messages;
    std::array<bool, kKeys> down{};
    for (int i = 0; messages.size() < size_t(events - kKeys); ++i) {
        const int k = (i * 7 + i / kKeys) % kKeys;
        const uint8_t key = uint8_t(kLowestKey + k);
        messages.push_back(down[k] ? std::vector<uint8_t>{0x80, key, 0}
                                   : std::vector<uint8_t>{0x90, key, uint8_t(40 + i % 80)});
        down[k] = !down[k];
    }
    for (int k = 0; k < kKeys; ++k)
        if (down[k]) messages.push_back({0x80, uint8_t(kLowestKey + k), 64});
    return messages;
}

}  // namespace kelvara::midi::testing
