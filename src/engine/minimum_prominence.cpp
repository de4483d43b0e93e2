#include "engine/minimum_prominence.h"

#include <algorithm>
#include <bit>
#include <cstddef>

namespace kelvara {
namespace {

// The largest or the smallest value over any index range in O(1), after O(n log n)
// preparation: the extreme of every range of a power-of-two width.
class RangeExtreme {
public:
    RangeExtreme(std::span<const TurningPoint> points, bool largest) : largest_(largest) {
        levels_.emplace_back();
        for (const TurningPoint& p : points) levels_[0].push_back(p.value);
        for (size_t width = 2; width <= points.size(); width *= 2) {
            const std::vector<double>& below = levels_.back();
            std::vector<double> level(points.size() - width + 1);
            for (size_t i = 0; i < level.size(); ++i)
                level[i] = pick(below[i], below[i + width / 2]);
            levels_.push_back(std::move(level));
        }
    }
    // Over [first, last], first <= last.
    double operator()(size_t first, size_t last) const {
        const auto level = static_cast<size_t>(std::bit_width(last - first + 1) - 1);
        return pick(levels_[level][first], levels_[level][last + 1 - (size_t{1} << level)]);
    }

private:
    double pick(double a, double b) const { return largest_ ? std::max(a, b) : std::min(a, b); }
    bool largest_;
    std::vector<std::vector<double>> levels_;
};

// The nearest point left of i whose value is below `lower`, when lowest(0, i - 1) < lower:
// the largest j with lowest(j, i - 1) < lower, found by bisection.
size_t nearest_lower_left(const RangeExtreme& lowest, size_t i, double lower) {
    size_t low = 0, high = i - 1;
    while (low < high) {
        const size_t middle = low + (high - low + 1) / 2;
        if (lowest(middle, i - 1) < lower)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

// The nearest point right of i whose value is below `lower`, when lowest(i + 1, last) < lower.
size_t nearest_lower_right(const RangeExtreme& lowest, size_t i, size_t last, double lower) {
    size_t low = i + 1, high = last;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (lowest(i + 1, middle) < lower)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

}  // namespace

std::vector<double> minimum_prominences(std::span<const TurningPoint> points, double tolerance) {
    std::vector<double> prominence(points.size(), 0.0);
    if (points.size() < 2) return prominence;
    const RangeExtreme highest(points, true), lowest(points, false);
    const size_t last = points.size() - 1;
    for (size_t i = 0; i <= last; ++i) {
        if (!points[i].is_minimum) continue;
        const double lower = points[i].value - tolerance;
        // Each side runs up to the nearest point lower than the minimum, or to the range's end.
        size_t left = 0, right = last;
        if (i > 0 && lowest(0, i - 1) < lower) left = nearest_lower_left(lowest, i, lower) + 1;
        if (i < last && lowest(i + 1, last) < lower)
            right = nearest_lower_right(lowest, i, last, lower) - 1;
        const double left_rise = highest(left, i) - points[i].value;
        const double right_rise = highest(i, right) - points[i].value;
        // A minimum on an end of the range is measured on its other side only.
        prominence[i] = i == 0      ? right_rise
                        : i == last ? left_rise
                                    : std::min(left_rise, right_rise);
    }
    return prominence;
}

}  // namespace kelvara
