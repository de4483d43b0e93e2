#pragma once
// Contour lines of a sampled surface by marching squares: for each level, the segments where
// the surface crosses it, cell by cell, in grid coordinates (i along r, j along s). Qt-free.
#include <vector>

#include "engine/triad_surface.h"

namespace kelvara {

struct ContourSegment {
    double i0, j0, i1, j1;
};

// The segments of every level; cells with a point not sampled have none.
std::vector<ContourSegment> contour_segments(const SurfaceGrid& grid,
                                             const std::vector<double>& levels);

}  // namespace kelvara
