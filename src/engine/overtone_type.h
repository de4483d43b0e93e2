#pragma once
#include <cstdint>

namespace kelvara {

// The timbre type of a document; the waveform pop-up's item tags carry these values.
enum OvertoneType : int32_t {
    PureTone = 0,
    FlatHarmonics = 1,
    OddHarmonics = 2,
    ShapedHarmonics = 3,
    InverseHarmonics = 4,
    GeometricHarmonics = 5,
};

constexpr bool is_valid_overtone_type(int32_t type) {
    return type >= PureTone && type <= GeometricHarmonics;
}

}  // namespace kelvara
