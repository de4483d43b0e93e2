#pragma once
// Where the triad surface's map lies on screen: the (r, s) square shown and the pixels it
// fills, r growing to the right and s upwards (y counted downwards, as widgets do). A value;
// zooming and panning make new ones. Qt-free.
#include <algorithm>
#include <cmath>

namespace kelvara {

struct SurfaceGeometry {
    double r_min = 1.0, r_max = 2.0;   // shown at x = 0 and x = width
    double s_min = 1.0, s_max = 2.0;   // shown at y = height and y = 0
    double width = 1.0, height = 1.0;  // pixels, above 0

    double x_of_r(double r) const { return (r - r_min) / (r_max - r_min) * width; }
    double r_of_x(double x) const { return r_min + x / width * (r_max - r_min); }
    double y_of_s(double s) const { return (s_max - s) / (s_max - s_min) * height; }
    double s_of_y(double y) const { return s_max - y / height * (s_max - s_min); }

    // Zoomed by `factor` (> 1 closer) about the point under (x, y), which stays put.
    SurfaceGeometry zoomed(double factor, double x, double y) const {
        const double r = r_of_x(x), s = s_of_y(y);
        SurfaceGeometry g = *this;
        g.r_min = r - (r - r_min) / factor;
        g.r_max = r + (r_max - r) / factor;
        g.s_min = s - (s - s_min) / factor;
        g.s_max = s + (s_max - s) / factor;
        return g;
    }

    // Moved so that what was under (x, y) is now dx, dy pixels further.
    SurfaceGeometry panned(double dx, double dy) const {
        const double dr = dx / width * (r_max - r_min), ds = dy / height * (s_max - s_min);
        SurfaceGeometry g = *this;
        g.r_min -= dr, g.r_max -= dr;
        g.s_min += ds, g.s_max += ds;
        return g;
    }

    // Kept inside [lowest, highest] on both axes, each span at least `narrowest`.
    SurfaceGeometry bounded(double lowest, double highest, double narrowest) const {
        SurfaceGeometry g = *this;
        auto fit = [&](double& lo, double& hi) {
            const double span = std::clamp(hi - lo, narrowest, highest - lowest);
            const double middle =
                std::clamp(0.5 * (lo + hi), lowest + 0.5 * span, highest - 0.5 * span);
            lo = middle - 0.5 * span;
            hi = middle + 0.5 * span;
        };
        fit(g.r_min, g.r_max);
        fit(g.s_min, g.s_max);
        return g;
    }
};

}  // namespace kelvara
