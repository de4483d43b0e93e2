#pragma once
// The minima of a dissonance curve, the intervals where its timbre sounds smoothest: every
// local minimum of the exact 64-bit curve in a range of x (curve_extrema.h), independent of the
// step the curve is drawn with, with its prominence and the just ratio it stands for.
//
// Example: the default document (25 geometric harmonics at 440 Hz, one fixed tone at 1, x from
// 1 to 2) has cusp minima at 1/1, 6/5, 5/4, 4/3, 3/2, 5/3, 2/1 and more.
//
//   auto minima = find_curve_minima(document_curve_definition(timbre, fixed_tone_ratios),
//                                    {.x_min = 1.0, .x_max = 2.0});
//   if (!minima) show(minima.error());
#include <cstdint>
#include <optional>
#include <vector>

#include "base/error.h"

#include "engine/curve_definition.h"
#include "engine/just_ratio.h"

namespace kelvara {

struct MinimaSearch {
    double x_min = 1.0;  // the range of interval ratios searched, ends included
    double x_max = 2.0;
    JustNaming just{};  // how a minimum's just ratio is named (engine/just_ratio.h)
    friend bool operator==(const MinimaSearch&, const MinimaSearch&) = default;
};

struct CurveMinimum {
    double ratio = 1.0;       // x
    double cents = 0.0;       // 1200·log2(ratio)
    double value = 0.0;       // y(x), the exact curve's roughness there
    double prominence = 0.0;  // minimum_prominence.h, over the range searched
    // The prominence as a share of the curve's range over the range searched (its highest
    // value less its lowest), 0 to 1: the same for a timbre whose curve peaks at 0.14 as for
    // one that peaks at 4.
    double relative_prominence = 0.0;
    bool is_cusp = false;           // a partial of the sweep tone meets one of a fixed tone here
    std::optional<JustRatio> just;  // its name by name_just_ratio
};

// Refused: the range (check_curve_range), a just tolerance that is not finite or is
// negative, a largest denominator outside 1 to kMaxJustDenominator, an odd limit outside 0 to
// kMaxJustOddLimit.
Result<void> check_minima_search(const MinimaSearch& search);

// Every local minimum of the curve in [x_min, x_max], by ratio. Refused as
// check_curve_definition or check_minima_search refuse. Any thread; allocates. The worst
// document (10 fixed tones of 25 partials, x from 1 to 4) takes about 2 ms, six sampling
// runs of it (`kelvara-cli bench`, row minima).
Result<std::vector<CurveMinimum>> find_curve_minima(const CurveDefinition& curve,
                                                    const MinimaSearch& search);

}  // namespace kelvara
