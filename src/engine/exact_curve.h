#pragma once
// The dissonance curve of a CurveDefinition evaluated in 64 bits at any interval ratio x, with
// its analytic slope. The literal sum over every pair, nothing left out: the reference for the
// minima search and for anything that needs the curve at one point (a cursor readout, a
// just ratio). The sampled 32-bit curve is for drawing; the two agree to float accuracy.
#include <vector>

#include "engine/curve_definition.h"

namespace kelvara {

// The curve at one x. At a cusp (x where a sweep partial meets a fixed partial exactly) the
// slope from below and the slope from above differ; elsewhere they are equal.
struct CurvePoint {
    double value = 0.0;
    double slope_below = 0.0;  // dy/dx as x approaches from below
    double slope_above = 0.0;  // dy/dx as x approaches from above
    bool is_cusp = false;      // a sweep partial coincides with a fixed one here
};

// Immutable after construction; any thread may call at() on a shared instance.
class ExactCurve {
public:
    // Refused as check_curve_definition refuses the curve.
    static Result<ExactCurve> create(const CurveDefinition& curve);

    // y(x) for a finite x > 0; NaN in every field otherwise. Costs one exponential pair per
    // pair of partials that involves the sweep tone.
    CurvePoint at(double x) const;

    // The part of y that does not depend on x: both orders of every pair of fixed partials.
    double fixed_pairs() const { return fixed_pairs_; }

private:
    explicit ExactCurve(const CurveDefinition& curve);

    struct Sounding {
        double ratio;  // of the sweep partial to x, or of the fixed partial to the base
        double amplitude;
    };

    double base_hz_;
    RoughnessModel model_;
    std::vector<Sounding> sweep_;  // the timbre's partials with an amplitude, by ratio
    std::vector<Sounding> fixed_;  // every fixed tone's partials with an amplitude
    double fixed_pairs_ = 0.0;
};

}  // namespace kelvara
