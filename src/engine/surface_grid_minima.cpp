#include "engine/surface_grid_minima.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kelvara {
namespace {

// Components of the points added so far, each with its lowest point.
class Components {
public:
    explicit Components(size_t count) : parent_(count), lowest_(count) {
        std::iota(parent_.begin(), parent_.end(), size_t{0});
        std::iota(lowest_.begin(), lowest_.end(), size_t{0});
    }
    size_t root(size_t p) {
        while (parent_[p] != p) p = parent_[p] = parent_[parent_[p]];
        return p;
    }
    size_t lowest(size_t p) { return lowest_[root(p)]; }
    // Joins b's component into a's.
    void join(size_t a, size_t b) { parent_[root(b)] = root(a); }

private:
    std::vector<size_t> parent_, lowest_;
};

}  // namespace

std::vector<GridMinimum> grid_minima(const SurfaceGrid& grid, double resolution) {
    const int32_t n = grid.range.size;
    const std::vector<float>& v = grid.values;
    std::vector<size_t> order;
    for (size_t p = 0; p < v.size(); ++p)
        if (!std::isnan(v[p])) order.push_back(p);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return v[a] < v[b]; });
    if (order.empty()) return {};

    Components components(v.size());
    std::vector<bool> added(v.size(), false);
    std::vector<double> prominence(v.size(), -1.0);  // set when a minimum's component is joined
    std::vector<size_t> minima;
    for (const size_t p : order) {
        const auto i = static_cast<int32_t>(p / static_cast<size_t>(n));
        const auto j = static_cast<int32_t>(p % static_cast<size_t>(n));
        bool joined = false;
        for (int32_t di = -1; di <= 1; ++di)
            for (int32_t dj = -1; dj <= 1; ++dj) {
                const int32_t a = i + di, b = j + dj;
                if ((di == 0 && dj == 0) || a < 0 || b < 0 || a >= n || b >= n) continue;
                const size_t q =
                    static_cast<size_t>(a) * static_cast<size_t>(n) + static_cast<size_t>(b);
                if (!added[q]) continue;
                if (!joined) {
                    components.join(q, p);
                    joined = true;
                    continue;
                }
                const size_t mine = components.lowest(p), theirs = components.lowest(q);
                if (mine == theirs) continue;
                // The shallower valley ends here: this point is its lowest pass.
                const bool mine_deeper = v[mine] <= v[theirs];
                const size_t shallower = mine_deeper ? theirs : mine;
                prominence[shallower] = v[p] - v[shallower];
                if (mine_deeper)
                    components.join(p, q);
                else
                    components.join(q, p);
            }
        if (!joined) minima.push_back(p);
        added[p] = true;
    }
    const size_t deepest = order.front();
    prominence[deepest] = v[order.back()] - v[deepest];

    std::vector<GridMinimum> found;
    for (const size_t p : minima)
        if (prominence[p] > resolution)
            found.push_back({static_cast<int32_t>(p / static_cast<size_t>(n)),
                             static_cast<int32_t>(p % static_cast<size_t>(n)), v[p],
                             prominence[p]});
    std::sort(found.begin(), found.end(), [](const GridMinimum& a, const GridMinimum& b) {
        return a.prominence > b.prominence;
    });
    return found;
}

}  // namespace kelvara
