#include "view/surface_contours.h"

#include <cmath>

namespace kelvara {
namespace {

struct Corner {
    double i, j, value;
};

// Where the edge from a to b crosses `level`.
Corner crossing(const Corner& a, const Corner& b, double level) {
    const double t = (level - a.value) / (b.value - a.value);
    return {a.i + t * (b.i - a.i), a.j + t * (b.j - a.j), level};
}

void cell_segments(const Corner (&c)[4], double level, std::vector<ContourSegment>& out) {
    // The corners in order around the cell; an edge is crossed where its ends lie on
    // different sides. Two crossings join; four (a saddle) join in pairs around the cell.
    Corner found[4];
    int count = 0;
    for (int k = 0; k < 4; ++k) {
        const Corner& a = c[k];
        const Corner& b = c[(k + 1) % 4];
        if ((a.value < level) != (b.value < level)) found[count++] = crossing(a, b, level);
    }
    for (int k = 0; k + 1 < count; k += 2)
        out.push_back({found[k].i, found[k].j, found[k + 1].i, found[k + 1].j});
}

}  // namespace

std::vector<ContourSegment> contour_segments(const SurfaceGrid& grid,
                                             const std::vector<double>& levels) {
    std::vector<ContourSegment> out;
    const int32_t n = grid.range.size;
    for (int32_t i = 0; i + 1 < n; ++i)
        for (int32_t j = 0; j + 1 < n; ++j) {
            const Corner c[4] = {{double(i), double(j), grid.value(i, j)},
                                 {double(i + 1), double(j), grid.value(i + 1, j)},
                                 {double(i + 1), double(j + 1), grid.value(i + 1, j + 1)},
                                 {double(i), double(j + 1), grid.value(i, j + 1)}};
            if (std::isnan(c[0].value) || std::isnan(c[1].value) || std::isnan(c[2].value) ||
                std::isnan(c[3].value))
                continue;
            for (const double level : levels) cell_segments(c, level, out);
        }
    return out;
}

}  // namespace kelvara
