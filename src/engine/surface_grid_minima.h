#pragma once
// The local minima of a sampled triad surface with their prominence on the grid: how far one
// must climb from a minimum, along any path of neighbouring points, before reaching a deeper
// one (the deepest minimum climbs to the grid's highest point). Points that were not sampled
// are walls. The starting points of the exact search (surface_minima.h).
#include <cstdint>
#include <vector>

#include "engine/triad_surface.h"

namespace kelvara {

struct GridMinimum {
    int32_t i = 0;  // r index
    int32_t j = 0;  // s index
    float value = 0.0f;
    double prominence = 0.0;
};

// Every point below each of its sampled neighbours (8 of them inside the grid; of equal points
// the first in the grid) whose
// prominence is above `resolution`, most prominent first. O(n log n) in the points.
std::vector<GridMinimum> grid_minima(const SurfaceGrid& grid, double resolution);

}  // namespace kelvara
