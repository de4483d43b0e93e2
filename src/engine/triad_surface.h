#pragma once
// The triad surface: the dissonance of three tones of one timbre, at 1, r and s, with every
// fixed tone of the curve sounding as well, over a grid of (r, s). Its valleys are the
// consonant triads of the timbre (4:5:6 and 10:12:15 for harmonic ones).
//
// D(r, s) is the curve's pair sum with two sweep tones: every pair of partials of the fixed
// tones, the tone at r and the tone at s. The tone at 1 is one of the fixed tones (a
// document's first fixed tone is 1/1); a curve without it gets it added. The surface is
// symmetric, D(r, s) = D(s, r), so by default only the half s >= r is sampled.
//
// Sampling runs the fast kernel: the pairs of each tone at r (and at s) with the fixed tones
// once per grid line, as the curve samples them, then row by row only the pairs within and
// between the two swept tones (the tone at r fixed for the row, the tone at s swept). Lines
// and rows go to a few threads of our own; a caller on another thread may watch the rows done
// and cancel.
#include <atomic>
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "engine/curve_definition.h"

namespace kelvara {

inline constexpr int32_t kMinSurfaceSize = 2;
inline constexpr int32_t kMaxSurfaceSize = 2048;
inline constexpr int32_t kDefaultSurfaceSize = 512;

// The square of (r, s) sampled: size × size points, ends included.
struct SurfaceRange {
    double r_min = 1.0;
    double r_max = 2.0;
    double s_min = 1.0;
    double s_max = 2.0;
    int32_t size = kDefaultSurfaceSize;
    bool upper_half = true;  // only points with s >= r (the others mirror them)
    friend bool operator==(const SurfaceRange&, const SurfaceRange&) = default;

    double r_at(int32_t i) const { return r_min + (r_max - r_min) * i / (size - 1); }
    double s_at(int32_t j) const { return s_min + (s_max - s_min) * j / (size - 1); }
    bool sampled(double r, double s) const { return !upper_half || s >= r; }
};

// Refused: an end that is not finite or outside [kMinCurveX, kMaxCurveX], an empty range, a
// size outside kMinSurfaceSize to kMaxSurfaceSize.
Result<void> check_surface_range(const SurfaceRange& range);

// The tones of the surface's fixed part: the curve's fixed tones with 1/1 first when missing.
std::vector<double> surface_fixed_tones(const CurveDefinition& curve);

struct SurfaceGrid {
    SurfaceRange range;
    // value(i, j) = D(r_at(i), s_at(j)) at values[i·size + j]; NaN where not sampled.
    std::vector<float> values;
    float value(int32_t i, int32_t j) const {
        return values[static_cast<size_t>(i) * static_cast<size_t>(range.size) +
                      static_cast<size_t>(j)];
    }
    // The value at the point nearest (r, s); of its mirror image (s, r) where only the half
    // s >= r was sampled. NaN outside the square or where neither was sampled.
    float value_near(double r, double s) const;
};

// Shared between the sampling threads and one watcher: rows finished, and a request to stop.
struct SurfaceProgress {
    std::atomic<int32_t> rows_done{0};
    std::atomic<int32_t> minima_to_refine{0};  // set by find_surface_minima
    std::atomic<int32_t> minima_done{0};
    std::atomic<bool> cancel{false};
};

// Samples the surface. `threads` 0 takes one per processor. Refused as check_curve_definition
// and check_surface_range refuse, and a run cancelled through `progress` (its reason is
// kSurfaceCancelled). Any thread; allocates.
Result<SurfaceGrid> sample_surface(const CurveDefinition& curve, const SurfaceRange& range,
                                   SurfaceProgress* progress = nullptr, int32_t threads = 0);

// The refusal of a surface: "The triad surface cannot be computed." and `reason`.
Error surface_refusal(std::string reason);

// The reason of the refusal of a cancelled run.
inline constexpr const char* kSurfaceCancelled = "It was cancelled.";

}  // namespace kelvara
