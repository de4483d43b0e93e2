#pragma once
// The triad surface (triad_surface.h) in 64 bits at any point: the literal sum over every pair
// of partials of the fixed tones, the tone at r and the tone at s. Only pairs whose separation
// exceeds kNegligibleSeparation are left out: their term is below e^(-70), 1e-30 of their
// weight, far under the last bit of any sum they would join. The reference for the surface's
// exact minima and for a readout under the pointer.
//
// It also lists where the surface has its cusps, the lines along which two partials meet
// exactly: r = v and s = v for each v in meeting_ratios() (a partial of the swept tone on one
// of a fixed tone), and s = c·r for each c in partial_ratios() (the two swept tones' partials
// on each other). Only the lines of pairs weighing at least kWeakCuspShare of the heaviest
// pair are listed: a lighter pair's V is too shallow to hold a minimum of its own against the
// heavier pairs' slopes, and the minima's search treats it as smooth. Equal partials keep
// every line; 128 geometric harmonics against ten fixed tones keep a few thousand instead of
// about eighty thousand.
#include <vector>

#include "base/error.h"
#include "engine/curve_definition.h"

namespace kelvara {

inline constexpr double kNegligibleSeparation = 20.0;
inline constexpr double kWeakCuspShare = 0.01;

// Immutable after construction; any thread may call at() on a shared instance.
class ExactSurface {
public:
    // Refused as check_curve_definition refuses the curve.
    static Result<ExactSurface> create(const CurveDefinition& curve);

    // D(r, s) for finite r, s > 0; NaN otherwise.
    double at(double r, double s) const;

    // at(r, s) in two parts, for a search along r with s held: held(s) once, then
    // held(s) + swept(r, s) for each r (equal to at(r, s) up to the order of the additions).
    double held(double s) const;
    double swept(double r, double s) const;
    // How many pairs of partials one value of at() may add up: a measure of its cost.
    double pairs_per_point() const;

    // Both orders of every pair of partials of the fixed tones (1/1 among them).
    double fixed_pairs() const { return fixed_pairs_; }

    // Ascending and distinct: fixed tone × partial ratio / partial ratio, of strong pairs.
    const std::vector<double>& meeting_ratios() const { return meeting_ratios_; }
    // Ascending and distinct: partial ratio / partial ratio, of strong pairs.
    const std::vector<double>& partial_ratios() const { return partial_ratios_; }

private:
    explicit ExactSurface(const CurveDefinition& curve);

    struct Sounding {
        double hz;  // at ratio 1, or of a fixed partial; each list ascending
        double amplitude;
    };

    // Both orders of every pair of a partial at `hz` with one of `others` (by frequency, each
    // sounding at scale × its hz) that is not negligibly far.
    double pairs_near(double hz, double amplitude, const std::vector<Sounding>& others,
                      double scale) const;
    // Both orders of every pair of one partial of the tone at `a` and one of the tone at `b`.
    double tone_pairs(double a, double b) const;
    // Both orders of every pair within the tone at `a`.
    double self_pairs(double a) const;
    // Both orders of every pair of a partial of the tone at `a` and a fixed partial.
    double fixed_tone_pairs(double a) const;

    RoughnessModel model_;
    std::vector<Sounding> tone_;   // the timbre's partials with an amplitude, at ratio 1
    std::vector<Sounding> fixed_;  // every fixed tone's partials with an amplitude
    double fixed_pairs_ = 0.0;
    std::vector<double> meeting_ratios_, partial_ratios_;
};

}  // namespace kelvara
