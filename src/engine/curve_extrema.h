#pragma once
// Every local minimum and maximum of the exact curve (exact_curve.h) in a range of x, found
// from the curve's analytic slope, independent of any sampling step:
// - at each cusp (x = fixed partial ratio / sweep partial ratio, listed from the partials) the
//   slopes below and above decide whether the curve turns there; a cusp is always a minimum
//   when it turns (coinciding partials only ever add a V);
// - between cusps, every sign change of the slope is isolated with bounds on the curve's
//   higher derivatives and refined by safeguarded Newton steps to the last bits of x.
// The curve is taken as a function of x on its whole domain: a point of the range is an
// extremum when the curve turns there, so a range end is one only if a cusp lies exactly on
// it. The curve is evaluated as polynomials over windows of a few percent of x
// (curve_window_series.h), within about 1e-13 of its pair weight mass of the exact sum.
#include <vector>

#include "engine/curve_definition.h"

namespace kelvara {

struct CurveExtremum {
    double ratio = 0.0;       // x
    double value = 0.0;       // y(x)
    bool is_minimum = false;  // else a maximum
    bool is_cusp = false;     // a sweep partial meets a fixed one here
};

struct CurveExtrema {
    std::vector<CurveExtremum> extrema;  // by ratio; minima and maxima alternate
    double value_at_begin = 0.0;         // y(x_min)
    double value_at_end = 0.0;           // y(x_max)
    double value_resolution = 0.0;       // values closer than this are not told apart
};

// Refused: bounds that are not finite, x_min >= x_max, or an end outside [kMinCurveX,
// kMaxCurveX]. The search's work grows with the logarithm of x_max/x_min (about 18 windows
// of the curve per octave).
Result<void> check_curve_range(double x_min, double x_max);

// Refused as check_curve_definition or check_curve_range refuse. Any thread; allocates.
Result<CurveExtrema> find_curve_extrema(const CurveDefinition& curve, double x_min, double x_max);

}  // namespace kelvara
