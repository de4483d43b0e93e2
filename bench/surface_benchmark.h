#pragma once
// The triad surface measured, shared by the benchmarks (bench/) and `kelvara-cli bench`:
// - "surface": 512 × 512 of a new document (25 geometric harmonics, the tone at 1/1 and the
//   two swept tones; the half s >= r, as the window shows it), target 100 ms;
// - "surface-worst": the same square with the worst kernel case's ten fixed tones and 128
//   harmonics per tone.
// Each against one sampling run of the default curve in the same process, the reference: the
// processor time of all threads over the reference's, which other work on a shared machine
// leaves alone (its wall-clock time does not).
#include <cstdint>
#include <string>
#include <vector>

#include "base/error.h"
#include "engine/curve_definition.h"
#include "engine/triad_surface.h"

namespace kelvara {

struct SurfaceBenchmarkCase {
    std::string name;
    CurveDefinition curve;
    SurfaceRange range;
    double target_ms = 0.0;  // 0: none
};

const std::vector<SurfaceBenchmarkCase>& surface_benchmark_cases();

struct SurfaceTiming {
    std::string name;
    int32_t threads = 0;
    double wall_ms = 0.0;       // fastest run with every thread, wall-clock time
    double processor_ms = 0.0;  // least processor time of the process (all threads) for one run
    double reference_ms = 0.0;  // fastest sampling run of the default curve, one thread
    // processor_ms / reference_ms: the work, whatever else the machine is doing
    double ratio = 0.0;
    double target_ms = 0.0;
};

// Repeats the surface and the reference for at least `min_seconds` (and at least once each),
// taking turns. Refused as sample_surface refuses.
Result<SurfaceTiming> time_surface(const SurfaceBenchmarkCase& c, double min_seconds,
                                   int32_t threads = 0);

}  // namespace kelvara
