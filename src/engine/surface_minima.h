#pragma once
// The minima of the triad surface, the smoothest triads of a timbre, found exactly: each
// local minimum of the sampled grid (surface_grid_minima.h) refined on the exact 64-bit
// surface (exact_surface.h) within the grid cells around it.
//
// The surface is not smooth: it has a V along every cusp line, so its deep minima sit where
// cusp lines cross. The refinement descends along r, along s and along the cusp line s = c·r
// through the point, each a one-dimensional search whose pieces end at the cusps it crosses;
// a cusp itself is always tried, so a minimum at a crossing is found to the last bits of the
// cusp ratios. One between cusps is found to about 1e-8 in each ratio. A point is kept only
// when the exact surface rises around it in eight directions.
//
// Example: six harmonics of amplitude 1 at 440 Hz have minima at (5/4, 3/2), named 4:5:6, and
// at (6/5, 3/2), named 10:12:15.
#include <cstdint>
#include <optional>
#include <vector>

#include "base/error.h"
#include "engine/just_triad.h"
#include "engine/triad_surface.h"

namespace kelvara {

struct SurfaceMinimum {
    double r = 1.0;
    double s = 1.0;           // s >= r on a grid of the upper half
    double value = 0.0;       // the exact D(r, s)
    double prominence = 0.0;  // the grid's climb to a deeper minimum, from the exact value
    std::optional<JustTriad> triad;
};

// The grid's values closer than this fraction of its largest one are not told apart (the
// fast kernel's sums are within about 1e-6 of it).
inline constexpr double kSurfaceRelativeResolution = 1e-5;
// At most this many of the grid's most prominent minima are refined.
inline constexpr int32_t kMaxSurfaceMinima = 256;

// The minima of `grid`, a sampling of `curve`, deepest first. Refused as
// check_curve_definition refuses, or when cancelled through `progress` (which counts the
// minima refined, its rows_done untouched). Each minimum costs a few hundred evaluations of
// the exact surface: about 3 ms for the default timbre, a second for 128 partials against
// ten fixed tones. So the grid's most prominent minima are refined as far as a fixed amount
// of work allows: all of them (up to kMaxSurfaceMinima) for the default timbre, the eight
// most prominent for 128 partials against ten fixed tones, which then take a few seconds.
// `threads` as for sample_surface. Any thread; allocates.
Result<std::vector<SurfaceMinimum>> find_surface_minima(
    const CurveDefinition& curve, const SurfaceGrid& grid,
    double triad_tolerance_cents = kDefaultTriadToleranceCents, SurfaceProgress* progress = nullptr,
    int32_t threads = 0);

}  // namespace kelvara
