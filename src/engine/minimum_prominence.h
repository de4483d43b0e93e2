#pragma once
// How much a minimum of a curve stands out: the smaller of the two rises, left and right,
// before the curve falls lower than the minimum. A side that never falls lower runs to the
// end of the range. "Lower" means lower by more than a tolerance: two valleys whose depths
// differ by rounding alone (equal by symmetry, say) each run past the other. A minimum that lies on
// an end of the range has no rise on that side and is measured on its other side only (the unison
// at the start of a range is a valley, not a point of prominence 0).
#include <span>
#include <vector>

namespace kelvara {

struct TurningPoint {
    double value = 0.0;
    bool is_minimum = false;
};

// `points`: the curve at the start of its range, at every extremum in order, and at the end
// of its range (a minimum on an end stands for that end: it is not listed twice); between
// neighbours the curve is monotone. Returns each point's prominence, 0 for points that are not
// minima (and for a minimum that is the only point). `tolerance` >= 0. O(n log n).
std::vector<double> minimum_prominences(std::span<const TurningPoint> points,
                                        double tolerance = 0.0);

}  // namespace kelvara
