#include "engine/surface_minima.h"

#include <algorithm>
#include <cmath>

#include "engine/exact_surface.h"
#include "engine/parallel_tasks.h"
#include "engine/surface_grid_minima.h"

namespace kelvara {
namespace {

constexpr int kMaxRounds = 8;
constexpr int kMaxGoldenSteps = 60;
// Golden sections stop at this width relative to the ratio: a smooth minimum is only known to
// about 1e-8 anyway, the square root of the value's rounding.
constexpr double kGoldenWidth = 1e-10;
// How far into a piece, as a fraction of it, the fall away from its ends is looked for.
constexpr double kEndStep = 1e-6;
// A refined point must lie below the surface at this relative distance in eight directions.
constexpr double kProbeDistance = 1e-6;
constexpr double kProbeTolerance = 1e-12;
// Two refined minima this close (relative) are one.
constexpr double kSameMinimum = 1e-9;
// The pairs of partials summed for one point, times the minima refined, that a search may
// spend: every candidate of the default timbre, the most prominent eight of 128 partials
// against ten fixed tones (each minimum takes a few hundred values of the exact surface).
constexpr double kRefinementPairs = 1.6e6;

struct Box {
    double r_lo, r_hi, s_lo, s_hi;
};

struct Point {
    double r, s, value;
};

// Where a one-dimensional search ended: its parameter and value, and the ratio c of the
// cusp line s = c·r it ended on, 0 when none.
struct LineBest {
    double t, value, diagonal;
};

struct Breakpoint {
    double t;
    double diagonal;  // c when the cusp is the line s = c·r, else 0
};

class Refiner {
public:
    Refiner(const ExactSurface& surface, const Box& box) : surface_(surface), box_(box) {}

    Point refine(double r, double s) {
        Point p{r, s, surface_.at(r, s)};
        double diagonal = 0.0;
        for (int round = 0; round < kMaxRounds; ++round) {
            const Point before = p;
            diagonal = along_axis(p, diagonal, true);
            diagonal = along_axis(p, diagonal, false);
            if (diagonal > 0.0) along_diagonal(p, diagonal);
            if (p.r == before.r && p.s == before.s) break;
        }
        return p;
    }

    bool rises_around(const Point& p) const {
        for (int di = -1; di <= 1; ++di)
            for (int dj = -1; dj <= 1; ++dj) {
                if (di == 0 && dj == 0) continue;
                const double v = surface_.at(p.r * (1.0 + di * kProbeDistance),
                                             p.s * (1.0 + dj * kProbeDistance));
                if (v < p.value - kProbeTolerance * std::fabs(p.value)) return false;
            }
        return true;
    }

private:
    // The meeting ratios (cusp lines r = v or s = v) within [lo, hi].
    std::vector<Breakpoint> meetings(double lo, double hi, double scale = 1.0) const {
        const std::vector<double>& v = surface_.meeting_ratios();
        std::vector<Breakpoint> found;
        for (auto it = std::lower_bound(v.begin(), v.end(), lo * scale);
             it != v.end() && *it <= hi * scale; ++it)
            found.push_back({*it / scale, 0.0});
        return found;
    }

    // The cusp lines s = c·r crossed where t runs over [lo, hi] and c = s/r = numerator / t
    // (or t / denominator).
    std::vector<Breakpoint> diagonals(double lo, double hi, double s, double r) const {
        std::vector<Breakpoint> found;
        for (const double c : surface_.partial_ratios()) {
            const double t = s > 0.0 ? s / c : c * r;
            if (t >= lo && t <= hi) found.push_back({t, c});
        }
        return found;
    }

    // Along r with s held (`along_r`), or along s with r held: the cusps where r or s meets
    // a fixed partial, and where the line crosses a cusp line s = c·r.
    double along_axis(Point& p, double diagonal, bool along_r) {
        const double lo = along_r ? box_.r_lo : box_.s_lo, hi = along_r ? box_.r_hi : box_.s_hi;
        std::vector<Breakpoint> cusps = meetings(lo, hi);
        const std::vector<Breakpoint> d =
            along_r ? diagonals(lo, hi, p.s, 0.0) : diagonals(lo, hi, 0.0, p.r);
        cusps.insert(cusps.end(), d.begin(), d.end());
        // The pairs without the swept tone once for the whole line.
        const Point held = p;
        const double still = surface_.held(along_r ? held.s : held.r);
        const auto at = [&](double t) {
            const double r = along_r ? t : held.r, s = along_r ? held.s : t;
            return Point{r, s, still + surface_.swept(t, along_r ? held.s : held.r)};
        };
        return settle(p, search(lo, hi, cusps, at), diagonal);
    }

    void along_diagonal(Point& p, double c) {
        const double lo = std::max(box_.r_lo, box_.s_lo / c),
                     hi = std::min(box_.r_hi, box_.s_hi / c);
        if (!(lo < hi)) return;
        std::vector<Breakpoint> cusps = meetings(lo, hi);
        const std::vector<Breakpoint> on_s = meetings(lo, hi, c);
        cusps.insert(cusps.end(), on_s.begin(), on_s.end());
        settle(p,
               search(lo, hi, cusps,
                      [&](double r) {
                          return Point{r, c * r, surface_.at(r, c * r)};
                      }),
               c);
    }

    // Moves p to the search's best point when it is lower; the cusp line s = c·r p lies on.
    static double settle(Point& p, const std::pair<Point, double>& best, double diagonal) {
        if (best.first.value < p.value) {
            p = best.first;
            return best.second;
        }
        return diagonal;
    }

    // The lowest point of a line over [lo, hi]: every cusp tried, and each piece between two
    // that falls away from both its ends searched by golden sections (a piece that does not
    // holds its lowest point at an end, already tried). The second member is the diagonal
    // the point lies on.
    template <typename At>
    std::pair<Point, double> search(double lo, double hi, std::vector<Breakpoint> cusps,
                                    const At& at) const {
        cusps.push_back({lo, 0.0});
        cusps.push_back({hi, 0.0});
        std::sort(cusps.begin(), cusps.end(),
                  [](const Breakpoint& a, const Breakpoint& b) { return a.t < b.t; });
        std::vector<Point> ends;
        for (const Breakpoint& c : cusps) ends.push_back(at(c.t));
        std::pair<Point, double> best{ends.front(), 0.0};
        for (size_t k = 0; k < cusps.size(); ++k) {
            if (ends[k].value < best.first.value) best = {ends[k], cusps[k].diagonal};
            if (k + 1 == cusps.size() || !(cusps[k + 1].t > cusps[k].t)) continue;
            const double a = cusps[k].t, b = cusps[k + 1].t, step = kEndStep * (b - a);
            if (!(at(a + step).value < ends[k].value && at(b - step).value < ends[k + 1].value))
                continue;
            const Point g = golden(a, b, at);
            if (g.value < best.first.value) best = {g, 0.0};
        }
        return best;
    }

    template <typename At>
    static Point golden(double a, double b, const At& at) {
        constexpr double kInverse = 0.6180339887498949;
        double c = b - kInverse * (b - a), d = a + kInverse * (b - a);
        Point pc = at(c), pd = at(d);
        for (int step = 0; step < kMaxGoldenSteps && b - a > kGoldenWidth * std::fabs(b); ++step) {
            if (pc.value < pd.value) {
                b = d, d = c, pd = pc;
                c = b - kInverse * (b - a);
                pc = at(c);
            } else {
                a = c, c = d, pc = pd;
                d = a + kInverse * (b - a);
                pd = at(d);
            }
        }
        return pc.value < pd.value ? pc : pd;
    }

    const ExactSurface& surface_;
    Box box_;
};

size_t refined_minima_limit(double pairs_per_point) {
    const double affordable = kRefinementPairs / std::max(1.0, pairs_per_point);
    return static_cast<size_t>(std::clamp(affordable, 1.0, double{kMaxSurfaceMinima}));
}

Box cell_box(const SurfaceRange& range, const GridMinimum& m) {
    const double dr = (range.r_max - range.r_min) / (range.size - 1);
    const double ds = (range.s_max - range.s_min) / (range.size - 1);
    const double r = range.r_at(m.i), s = range.s_at(m.j);
    return {std::max(range.r_min, r - dr), std::min(range.r_max, r + dr),
            std::max(range.s_min, s - ds), std::min(range.s_max, s + ds)};
}

std::optional<SurfaceMinimum> refine(const ExactSurface& surface, const SurfaceRange& range,
                                     const GridMinimum& m, double tolerance_cents) {
    Refiner refiner(surface, cell_box(range, m));
    Point p = refiner.refine(range.r_at(m.i), range.s_at(m.j));
    if (!refiner.rises_around(p)) return std::nullopt;
    if (range.upper_half && p.s < p.r) std::swap(p.r, p.s);  // its mirror image
    const double prominence = std::max(0.0, m.prominence + (m.value - p.value));
    return SurfaceMinimum{p.r, p.s, p.value, prominence,
                          nearest_just_triad(p.r, p.s, tolerance_cents)};
}

bool same_point(const SurfaceMinimum& a, const SurfaceMinimum& b) {
    return std::fabs(a.r - b.r) <= kSameMinimum * a.r && std::fabs(a.s - b.s) <= kSameMinimum * a.s;
}

}  // namespace

Result<std::vector<SurfaceMinimum>> find_surface_minima(const CurveDefinition& curve,
                                                        const SurfaceGrid& grid,
                                                        double triad_tolerance_cents,
                                                        SurfaceProgress* progress,
                                                        int32_t threads) {
    Result<ExactSurface> surface = ExactSurface::create(curve);
    if (!surface) return surface.error();
    float largest = 0.0f;
    for (const float v : grid.values)
        if (!std::isnan(v)) largest = std::max(largest, std::fabs(v));
    std::vector<GridMinimum> starts = grid_minima(grid, kSurfaceRelativeResolution * largest);
    const size_t limit = refined_minima_limit(surface->pairs_per_point());
    if (starts.size() > limit) starts.resize(limit);

    std::vector<std::optional<SurfaceMinimum>> refined(starts.size());
    if (progress) progress->minima_to_refine = static_cast<int32_t>(starts.size());
    const bool finished = run_parallel_tasks(
        static_cast<int32_t>(starts.size()), threads, progress ? &progress->cancel : nullptr,
        [&](int32_t, int32_t k) {
            const auto n = static_cast<size_t>(k);
            refined[n] = refine(*surface, grid.range, starts[n], triad_tolerance_cents);
            if (progress) progress->minima_done.fetch_add(1, std::memory_order_relaxed);
        });
    if (!finished) return surface_refusal(kSurfaceCancelled);

    std::vector<SurfaceMinimum> minima;
    for (const auto& m : refined)
        if (m) minima.push_back(*m);
    std::sort(minima.begin(), minima.end(),
              [](const SurfaceMinimum& a, const SurfaceMinimum& b) { return a.value < b.value; });
    std::vector<SurfaceMinimum> distinct;
    for (const SurfaceMinimum& m : minima)
        if (std::none_of(distinct.begin(), distinct.end(),
                         [&](const SurfaceMinimum& d) { return same_point(d, m); }))
            distinct.push_back(m);
    return distinct;
}

}  // namespace kelvara
