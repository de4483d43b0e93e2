#pragma once
#include <cstdint>

namespace kelvara {

// The timbre type of a document; the waveform pop-up's item tags carry these values. Types 0
// to 5 are parametric: harmonics k = 1, 2, ... with amplitudes of a fixed shape. A custom
// timbre is a list of partials of one's own (Timbre::custom_partials); a file stores it under
// keys of its own and names the nearest parametric type where readers look for the type.
enum OvertoneType : int32_t {
    PureTone = 0,
    FlatHarmonics = 1,
    OddHarmonics = 2,
    ShapedHarmonics = 3,
    InverseHarmonics = 4,
    GeometricHarmonics = 5,
    CustomPartials = 6,
};

constexpr bool is_parametric_overtone_type(int32_t type) {
    return type >= PureTone && type <= GeometricHarmonics;
}

constexpr bool is_valid_overtone_type(int32_t type) {
    return is_parametric_overtone_type(type) || type == CustomPartials;
}

}  // namespace kelvara
