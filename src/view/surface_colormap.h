#pragma once
// The triad surface's colours: viridis, perceptually uniform and readable in grey, from dark
// violet (smoothest) to yellow (roughest). Qt-free.
#include <cstdint>

namespace kelvara {

struct MapColor {
    uint8_t red = 0, green = 0, blue = 0;
};

// The colour of t in [0, 1] (clamped; NaN gives the colour of 0).
MapColor viridis(double t);

}  // namespace kelvara
