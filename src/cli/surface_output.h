#pragma once
// The pictures of `kelvara-cli surface`: PNG and SVG drawn by the view's own surface drawing,
// in builds with Qt; a UsageError otherwise.
#include <string>
#include <vector>

#include "engine/surface_minima.h"

namespace kelvara::cli {

// Writes each picture whose path is not empty.
void write_surface_pictures(const SurfaceGrid& grid, const std::vector<SurfaceMinimum>& minima,
                            const std::string& png_path, const std::string& svg_path);

}  // namespace kelvara::cli
