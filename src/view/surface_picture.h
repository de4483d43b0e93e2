#pragma once
// The triad surface drawn: the grid as a viridis colour map (dark = smooth) with contour
// lines, the minima marked and named, the r and s axes and a colour bar. The window's
// surface tab and `kelvara-cli surface --png/--svg` draw with this, so they look alike.
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <vector>

#include "base/error.h"
#include "engine/surface_minima.h"
#include "view/surface_geometry.h"

namespace kelvara {

// The grid's pixels, one per point (r to the right, s upwards); points not sampled are the
// mirror image's when the square is symmetric, else grey. Colours span the grid's values.
QImage surface_map_image(const SurfaceGrid& grid);

// Where the map goes inside a picture of `size`: room for the axes and the colour bar.
QRectF surface_map_area(const QSizeF& size);

// Draws everything into `size` with `map` (surface_map_image of `grid`) placed by `view`,
// whose pixels are those of surface_map_area.
void paint_surface(QPainter& painter, const QSizeF& size, const SurfaceGrid& grid,
                   const QImage& map, const std::vector<SurfaceMinimum>& minima,
                   const SurfaceGeometry& view);

enum class SurfaceFileFormat { Png, Svg };

// The whole grid drawn at width × height and written to `path`. Refused when the file cannot
// be written.
Result<void> write_surface_file(const SurfaceGrid& grid, const std::vector<SurfaceMinimum>& minima,
                                SurfaceFileFormat format, const QString& path, int width = 640,
                                int height = 560);

}  // namespace kelvara
