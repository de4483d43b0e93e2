#include "engine/curve_extrema.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "engine/curve_window_series.h"

namespace kelvara {
namespace {

using curve_series::Series;

// Pieces the intervals between cusps may be cut into while isolating the slope's roots, in
// one search. The worst document cuts a few dozen times; the bound only keeps a pathological
// curve (a slope that touches 0 without crossing it, again and again) from cutting for long.
// Pieces left when it is reached are judged by the signs at their ends.
constexpr int64_t kMaxPieces = int64_t{1} << 20;
// Pieces narrower than this (in t, about 1e-15 of x) are judged by the signs at their ends.
constexpr double kNarrowestPiece = 1e-13;
constexpr int kMaxRefineSteps = 200;

// The sign of the slope just below and just above a point where it is f, its derivative f2;
// 0 where both are 0 (a curve too flat for any pair to reach the cutoff): no turn there.
int sign_below(double f, double f2) {
    if (f != 0.0) return f < 0.0 ? -1 : 1;
    return f2 > 0.0 ? -1 : f2 < 0.0 ? 1 : 0;
}
int sign_above(double f, double f2) {
    if (f != 0.0) return f < 0.0 ? -1 : 1;
    return f2 < 0.0 ? -1 : f2 > 0.0 ? 1 : 0;
}

struct Root {
    double t;
    int sign_after;
};

// The root of the slope in (a, b), where it has sign `sign_a` just above a and the other
// just below b: Newton steps kept inside a shrinking bracket.
double refine_root(const Series& s, double a, double b, int sign_a) {
    double t = 0.5 * (a + b);
    for (int step = 0; step < kMaxRefineSteps && b - a > 0.0; ++step) {
        const double f = curve_series::slope_at(s, t);
        if (f == 0.0) return t;
        ((f < 0.0 ? -1 : 1) == sign_a ? a : b) = t;
        const double f2 = curve_series::curvature_at(s, t);
        double next = f2 != 0.0 ? t - f / f2 : t;
        if (!(next > a && next < b)) next = 0.5 * (a + b);
        if (std::fabs(next - t) <= 1e-17 + 2e-16 * std::fabs(t)) return next;
        t = next;
    }
    return t;
}

// Every sign change of the slope f of `s` in (a, b), ascending. sign_a is the slope's sign just
// above a, sign_b just below b. A piece keeps its sign when its end values are too large for
// f to reach 0 in between, by the bound on |f'| over the piece; it has one root when f is
// monotone on it, shown by f' at its ends and the bound on |f''|. Other pieces are halved.
void isolate_roots(const Series& s, double a, double b, int sign_a, int sign_b,
                   int64_t& pieces_left, std::vector<Root>& roots) {
    struct Piece {
        double a, b, fa, fb;
        int sa, sb;
    };
    std::vector<Piece> pending{
        {a, b, curve_series::slope_at(s, a), curve_series::slope_at(s, b), sign_a, sign_b}};
    const size_t first = roots.size();
    while (!pending.empty()) {
        const Piece p = pending.back();
        pending.pop_back();
        const double width = p.b - p.a;
        const double reach = std::max(std::fabs(p.a), std::fabs(p.b));
        const double bend = curve_series::derivative_bound(s, 2, reach);
        if (p.sa == p.sb && (std::fabs(p.fa) + std::fabs(p.fb) > bend * width || bend == 0.0))
            continue;
        const double ga = curve_series::curvature_at(s, p.a);
        const double gb = curve_series::curvature_at(s, p.b);
        const bool monotone =
            ga * gb > 0.0 &&
            std::fabs(ga) + std::fabs(gb) > curve_series::derivative_bound(s, 3, reach) * width;
        if (monotone || width < kNarrowestPiece || --pieces_left < 0) {
            if (p.sa != p.sb) roots.push_back({refine_root(s, p.a, p.b, p.sa), p.sb});
            continue;
        }
        const double m = 0.5 * (p.a + p.b);
        const double fm = curve_series::slope_at(s, m);
        const double gm = curve_series::curvature_at(s, m);
        int below = sign_below(fm, gm), above = sign_above(fm, gm);
        if (below == 0) below = p.sa;
        if (above == 0) above = below;
        if (below != above) roots.push_back({m, above});
        pending.push_back({m, p.b, fm, p.fb, above, p.sb});
        pending.push_back({p.a, m, p.fa, fm, p.sa, below});
    }
    std::sort(roots.begin() + static_cast<std::ptrdiff_t>(first), roots.end(),
              [](const Root& x, const Root& y) { return x.t < y.t; });
}

class Search {
public:
    Search(const CurveDefinition& curve, double x_min, double x_max)
        : expander_(curve), x_min_(x_min), x_max_(x_max) {}

    CurveExtrema run() {
        // Windows of equal width in log x, each at most x0·(1 ± kWindowHalfWidth).
        const double span = std::log(x_max_ / x_min_);
        const int windows =
            std::max(1, static_cast<int>(std::ceil(span / (2.0 * curve_series::kWindowHalfWidth))));
        double begin = x_min_;
        for (int w = 0; w < windows; ++w) {
            const bool last = w + 1 == windows;
            const double end = last ? x_max_ : x_min_ * std::exp(span * (w + 1) / windows);
            visit_window(begin, end, w == 0, last);
            begin = end;
        }
        cancel_unresolved_turns();
        out_.value_resolution = expander_.value_resolution();
        return std::move(out_);
    }

private:
    void record(double x, double value, bool is_minimum, bool is_cusp) {
        out_.extrema.push_back({x, value, is_minimum, is_cusp});
    }

    // The slope changes sign from sign_ to `sign` at t: an extremum.
    void turn(const Series& s, double t, int sign, bool is_cusp, double x) {
        if (sign == sign_ || sign == 0) return;
        record(x, curve_series::value_at(s, t), sign > 0, is_cusp);
        sign_ = sign;
    }

    void between_cusps(const Series& s, double a, double b) {
        const int sign_b =
            sign_below(curve_series::slope_at(s, b), curve_series::curvature_at(s, b));
        if (b > a) {
            roots_.clear();
            isolate_roots(s, a, b, sign_, sign_b == 0 ? sign_ : sign_b, pieces_left_, roots_);
            for (const Root& r : roots_) turn(s, r.t, r.sign_after, false, x_of(r.t));
        }
        turn(s, b, sign_b, false, x_of(b));  // only if the bounds above were defeated
    }

    void visit_window(double begin, double end, bool first, bool last) {
        expander_.expand(begin, end, last, window_);
        Series s = window_.below_first_cusp;
        const double slope = curve_series::slope_at(s, -1.0);
        const int sign_in = sign_below(slope, curve_series::curvature_at(s, -1.0));
        if (first) {
            sign_ = sign_in == 0 ? 1 : sign_in;
            out_.value_at_begin = curve_series::value_at(s, -1.0);
        } else {
            turn(s, -1.0, sign_in, false, begin);  // the slope's root lies on the border
        }
        double t = -1.0;
        for (const curve_series::CuspCrossing& cusp : window_.cusps) {
            const double tc = std::clamp((cusp.x - window_.x0) / window_.half_width, -1.0, 1.0);
            between_cusps(s, t, tc);
            for (int n = 0; n <= curve_series::kOrder; ++n) s[n] += cusp.change[n];
            const int sign_after =
                sign_above(curve_series::slope_at(s, tc), curve_series::curvature_at(s, tc));
            turn(s, tc, sign_after, true, cusp.x);
            t = tc;
        }
        between_cusps(s, t, 1.0);
        if (last) out_.value_at_end = curve_series::value_at(s, 1.0);
    }

    // A minimum and a maximum next to each other whose values differ by less than the windows
    // resolve are rounding, not a valley: both go, and of the two extrema of one kind that
    // they separated the deeper (or higher) one stays.
    void cancel_unresolved_turns() {
        const double resolution = expander_.value_resolution();
        std::vector<CurveExtremum> kept;
        for (const CurveExtremum& e : out_.extrema) {
            if (kept.empty() || kept.back().is_minimum == e.is_minimum ||
                std::fabs(e.value - kept.back().value) >= resolution) {
                kept.push_back(e);
                continue;
            }
            kept.pop_back();
            if (!kept.empty() &&
                (e.is_minimum ? e.value < kept.back().value : e.value > kept.back().value))
                kept.back() = e;
        }
        out_.extrema = std::move(kept);
    }

    double x_of(double t) const { return window_.x0 + window_.half_width * t; }

    curve_series::WindowExpander expander_;
    double x_min_, x_max_;
    curve_series::Window window_;
    std::vector<Root> roots_;
    int64_t pieces_left_ = kMaxPieces;
    int sign_ = 1;  // of the slope just above the last point visited
    CurveExtrema out_;
};

std::string number_text(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", x);
    return text;
}

}  // namespace

Result<void> check_curve_range(double x_min, double x_max) {
    if (!std::isfinite(x_min) || !std::isfinite(x_max))
        return minima_refusal("The ratio range is not finite.");
    if (!(x_min < x_max))
        return minima_refusal("The ratio range is empty: its start must lie below its end.");
    if (x_min < kMinCurveX || x_max > kMaxCurveX)
        return minima_refusal("The ratio range must lie within [" + number_text(kMinCurveX) + ", " +
                              number_text(kMaxCurveX) + "].");
    return {};
}

Result<CurveExtrema> find_curve_extrema(const CurveDefinition& curve, double x_min, double x_max) {
    if (auto checked = check_curve_definition(curve); !checked) return checked.error();
    if (auto checked = check_curve_range(x_min, x_max); !checked) return checked.error();
    return Search(curve, x_min, x_max).run();
}

}  // namespace kelvara
