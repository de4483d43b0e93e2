#include "engine/minimum_prominence.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace kelvara {
namespace {

// The largest value over any index range in O(1), after O(n log n) preparation.
class RangeMaximum {
public:
    explicit RangeMaximum(std::span<const TurningPoint> points) {
        levels_.emplace_back();
        for (const TurningPoint& p : points) levels_[0].push_back(p.value);
        for (size_t width = 2; width <= points.size(); width *= 2) {
            const std::vector<double>& below = levels_.back();
            std::vector<double> level(points.size() - width + 1);
            for (size_t i = 0; i < level.size(); ++i)
                level[i] = std::max(below[i], below[i + width / 2]);
            levels_.push_back(std::move(level));
        }
    }
    // Over [first, last], first <= last.
    double operator()(size_t first, size_t last) const {
        const auto level = static_cast<size_t>(std::bit_width(last - first + 1) - 1);
        return std::max(levels_[level][first], levels_[level][last + 1 - (size_t{1} << level)]);
    }

private:
    std::vector<std::vector<double>> levels_;
};

constexpr int64_t kNone = -1;

// For each point, the nearest point on its left (or right) whose value is strictly lower, or
// kNone: a stack of the points passed whose values increase towards the top.
std::vector<int64_t> nearest_lower(std::span<const TurningPoint> points, bool from_left) {
    const auto n = static_cast<int64_t>(points.size());
    std::vector<int64_t> nearest(points.size(), kNone), stack;
    for (int64_t k = 0; k < n; ++k) {
        const int64_t i = from_left ? k : n - 1 - k;
        while (!stack.empty() && points[stack.back()].value >= points[i].value) stack.pop_back();
        if (!stack.empty()) nearest[i] = stack.back();
        stack.push_back(i);
    }
    return nearest;
}

}  // namespace

std::vector<double> minimum_prominences(std::span<const TurningPoint> points) {
    std::vector<double> prominence(points.size(), 0.0);
    if (points.size() < 2) return prominence;
    const RangeMaximum highest(points);
    const std::vector<int64_t> left = nearest_lower(points, true);
    const std::vector<int64_t> right = nearest_lower(points, false);
    const auto last = static_cast<int64_t>(points.size()) - 1;
    // The rise over the points first..last (the minimum's side up to where the curve falls
    // below it, between the lower point and its neighbour, or up to the range's end).
    auto rise = [&](int64_t first, int64_t last_point, double v) {
        return highest(static_cast<size_t>(first), static_cast<size_t>(last_point)) - v;
    };
    for (int64_t i = 0; i <= last; ++i) {
        if (!points[i].is_minimum) continue;
        const double v = points[i].value;
        if (i == 0) {
            prominence[i] = rise(i, right[i] == kNone ? last : right[i] - 1, v);
        } else if (i == last) {
            prominence[i] = rise(left[i] == kNone ? 0 : left[i] + 1, i, v);
        } else {
            prominence[i] = std::min(rise(left[i] == kNone ? 0 : left[i] + 1, i, v),
                                     rise(i, right[i] == kNone ? last : right[i] - 1, v));
        }
    }
    return prominence;
}

}  // namespace kelvara
