#pragma once
// The stable identifier of a source: a 32-bit FNV-1a hash of its full name ("device:port").
// Both systems reuse their own port numbers for other ports after a port goes away, so only
// the names identify a source across restarts.
#include <cstdint>
#include <string_view>

namespace kelvara::midi {

constexpr int32_t stable_source_id(std::string_view full_name) {
    uint32_t hash = 2166136261u;
    for (const char c : full_name) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 16777619u;
    }
    return static_cast<int32_t>(hash);
}

}  // namespace kelvara::midi
