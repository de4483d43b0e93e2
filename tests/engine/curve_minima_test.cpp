// The minima search against brute force on the exact curve: cusp minima of harmonic timbres at
// their small-integer ratios, every minimum of a dense search found (and none that it does not
// find), smooth extrema refined to the ratio's last bits, prominences as the definition walks
// them, and what is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/curve_extrema.h"
#include "engine/curve_minima.h"
#include "engine/exact_curve.h"

namespace kelvara {
namespace {

#ifdef __OPTIMIZE__
constexpr int kDenseSamples = 20000;
#else
constexpr int kDenseSamples = 8000;  // unoptimised sanitizer builds: a coarser grid
#endif

ExactCurve exact_curve(const CurveDefinition& curve) {
    return *ExactCurve::create(curve);
}

std::vector<CurveMinimum> minima_of(const CurveDefinition& curve, const MinimaSearch& search) {
    Result<std::vector<CurveMinimum>> minima = find_curve_minima(curve, search);
    EXPECT_TRUE(minima.ok()) << (minima.ok() ? "" : minima.error().reason);
    return minima.ok() ? std::move(*minima) : std::vector<CurveMinimum>{};
}

CurveExtrema extrema_of(const CurveDefinition& curve, double x_min, double x_max) {
    Result<CurveExtrema> extrema = find_curve_extrema(curve, x_min, x_max);
    EXPECT_TRUE(extrema.ok()) << (extrema.ok() ? "" : extrema.error().reason);
    return extrema.ok() ? std::move(*extrema) : CurveExtrema{};
}

struct Case {
    std::string name;
    CurveDefinition curve;
    double x_min, x_max;
};

CurveDefinition bell() {
    return {{{1.0, 1.0}, {2.76, 0.55}, {5.40, 0.35}, {8.93, 0.2}}, 330.0, {1.0, 1.41}};
}

// Small documents whose curves mix cusp minima with smooth ones (pure and sparse timbres).
std::vector<Case> dense_cases() {
    return {
        {"geometric 8",
         document_curve_definition({GeometricHarmonics, 8, 440.0},
                                   std::vector<float>{1.0f, 1.25f, 1.5f}),
         1.0, 2.0},
        {"pure tones",
         document_curve_definition({PureTone, 1, 261.63}, std::vector<float>{1.0f, 1.2f, 1.5f}),
         0.8, 2.2},
        {"odd 9", document_curve_definition({OddHarmonics, 9, 110.0}, std::vector<float>{1.0f}),
         1.0, 2.5},
        {"bell", bell(), 0.9, 3.0},
    };
}

// Every x where a sweep partial meets a fixed one, in [x_min, x_max].
std::vector<double> cusps_of(const Case& c) {
    std::vector<double> cusps;
    for (const double r : c.curve.fixed_tone_ratios)
        for (const Partial& fixed : c.curve.partials)
            for (const Partial& sweep : c.curve.partials) {
                const double x = r * fixed.ratio / sweep.ratio;
                if (fixed.amplitude > 0 && sweep.amplitude > 0 && x >= c.x_min && x <= c.x_max)
                    cusps.push_back(x);
            }
    return cusps;
}

struct Dense {
    std::vector<double> x, y;
    std::vector<size_t> minima;  // indices of samples below both neighbours
};

// The exact curve on a fine grid and at every cusp.
Dense dense_search(const Case& c) {
    const ExactCurve exact = exact_curve(c.curve);
    Dense d;
    for (int i = 0; i <= kDenseSamples; ++i)
        d.x.push_back(c.x_min + (c.x_max - c.x_min) * i / kDenseSamples);
    for (const double x : cusps_of(c)) d.x.push_back(x);
    std::sort(d.x.begin(), d.x.end());
    d.x.erase(std::unique(d.x.begin(), d.x.end()), d.x.end());
    for (const double x : d.x) d.y.push_back(exact.at(x).value);
    for (size_t i = 1; i + 1 < d.x.size(); ++i)
        if (d.y[i] < d.y[i - 1] && d.y[i] < d.y[i + 1]) d.minima.push_back(i);
    return d;
}

std::string name_of(const Case& c) {
    return c.name;
}

const CurveMinimum* nearest(const std::vector<CurveMinimum>& minima, double x) {
    const CurveMinimum* best = nullptr;
    for (const CurveMinimum& m : minima)
        if (!best || std::fabs(m.ratio - x) < std::fabs(best->ratio - x)) best = &m;
    return best;
}

// Each minimum of a dense search is found, each minimum found is one the dense search sees
// (the range's ends aside), and curves sampled at a step of 0.05 show fewer of them.
TEST(CurveMinima, FindsWhatADenseSearchFindsAndWhatCoarseSamplesMiss) {
    size_t all_found = 0, all_coarse = 0;
    for (const Case& c : dense_cases()) {
        SCOPED_TRACE(name_of(c));
        const std::vector<CurveMinimum> found =
            minima_of(c.curve, {.x_min = c.x_min, .x_max = c.x_max});
        const Dense d = dense_search(c);
        const double spacing = (c.x_max - c.x_min) / kDenseSamples;
        for (const size_t i : d.minima) {
            const CurveMinimum* m = nearest(found, d.x[i]);
            ASSERT_NE(m, nullptr);
            EXPECT_NEAR(m->ratio, d.x[i], 1.01 * spacing) << "dense minimum at " << d.x[i];
        }
        size_t interior = 0;
        for (const CurveMinimum& m : found) {
            if (m.ratio == c.x_min || m.ratio == c.x_max) continue;
            ++interior;
            const auto seen = std::find_if(d.minima.begin(), d.minima.end(), [&](size_t i) {
                return std::fabs(d.x[i] - m.ratio) <= 1.01 * spacing;
            });
            EXPECT_NE(seen, d.minima.end()) << "found minimum at " << m.ratio;
        }
        EXPECT_EQ(interior, d.minima.size());

        const ExactCurve exact = exact_curve(c.curve);
        std::vector<double> coarse;
        for (double x = c.x_min; x <= c.x_max; x += 0.05) coarse.push_back(exact.at(x).value);
        size_t coarse_minima = 0;
        for (size_t i = 1; i + 1 < coarse.size(); ++i)
            coarse_minima += coarse[i] < coarse[i - 1] && coarse[i] < coarse[i + 1];
        EXPECT_LE(coarse_minima, interior);
        all_found += interior;
        all_coarse += coarse_minima;
    }
    EXPECT_LT(all_coarse, all_found);
}

// A smooth extremum is where the exact curve's own slope (summed pair by pair, not from the
// series the search uses) changes sign: bisection on that slope, from a bracket 1e-6 wide on
// each side, lands within 1e-9 of the ratio found; and every extremum's value is the exact
// curve's.
TEST(CurveMinima, SmoothExtremaLieWhereTheExactSlopeChangesSign) {
    int smooth = 0;
    for (const Case& c : dense_cases()) {
        SCOPED_TRACE(name_of(c));
        const ExactCurve exact = exact_curve(c.curve);
        const CurveExtrema found = extrema_of(c.curve, c.x_min, c.x_max);
        for (const CurveExtremum& e : found.extrema) {
            EXPECT_NEAR(e.value, exact.at(e.ratio).value, 1e-11 * e.value) << e.ratio;
            if (e.is_cusp) continue;
            ++smooth;
            // The slope's sign on each side, 1e-6 away, then bisection in between.
            double below = e.ratio * (1 - 1e-6), above = e.ratio * (1 + 1e-6);
            const double side = e.is_minimum ? 1.0 : -1.0;
            ASSERT_LT(side * exact.at(below).slope_above, 0.0) << e.ratio;
            ASSERT_GT(side * exact.at(above).slope_below, 0.0) << e.ratio;
            for (int step = 0; step < 100; ++step) {
                const double mid = 0.5 * (below + above);
                (side * exact.at(mid).slope_below < 0.0 ? below : above) = mid;
            }
            EXPECT_NEAR(e.ratio, below, 1e-9 * e.ratio);
        }
    }
    EXPECT_GT(smooth, 10);  // the cases do exercise smooth extrema
}

// Harmonic timbres against one fixed tone: every cusp minimum is at m/k exactly (to 1e-9), the
// familiar intervals are among them, and each is named by its just ratio.
TEST(CurveMinima, HarmonicCuspMinimaSitAtSmallIntegerRatios) {
    struct Expectation {
        int32_t type, overtones;
        std::vector<std::pair<int, int>> present;  // numerator, denominator
    };
    const std::vector<Expectation> table{
        {GeometricHarmonics, 25, {{1, 1}, {6, 5}, {5, 4}, {4, 3}, {3, 2}, {5, 3}, {2, 1}}},
        {GeometricHarmonics, 6, {{1, 1}, {5, 4}, {4, 3}, {3, 2}, {5, 3}, {2, 1}}},
        {FlatHarmonics, 12, {{1, 1}, {6, 5}, {5, 4}, {4, 3}, {3, 2}, {5, 3}, {2, 1}}},
        {ShapedHarmonics, 16, {{1, 1}, {5, 4}, {4, 3}, {3, 2}, {2, 1}}},
        {InverseHarmonics, 9, {{1, 1}, {5, 4}, {4, 3}, {3, 2}, {2, 1}}},
        {OddHarmonics, 15, {{1, 1}, {7, 5}, {5, 3}, {9, 5}}},
        {FlatHarmonics, 3, {{1, 1}, {3, 2}, {2, 1}}},
    };
    for (const Expectation& e : table) {
        SCOPED_TRACE("type " + std::to_string(e.type) + ", " + std::to_string(e.overtones) +
                     " overtones");
        const CurveDefinition curve =
            document_curve_definition({e.type, e.overtones, 440.0}, std::vector<float>{1.0f});
        const auto minima = minima_of(curve, {.x_min = 1.0, .x_max = 2.0});
        for (const CurveMinimum& m : minima) {
            if (!m.is_cusp) continue;
            bool small_integer = false;
            for (int k = 1; k <= e.overtones && !small_integer; ++k) {
                const double numerator = std::round(m.ratio * k);
                small_integer = numerator <= e.overtones &&
                                std::fabs(m.ratio - numerator / k) <= 1e-9 * m.ratio;
            }
            EXPECT_TRUE(small_integer) << m.ratio;
        }
        for (const auto& [p, q] : e.present) {
            const double x = static_cast<double>(p) / q;
            const CurveMinimum* m = nearest(minima, x);
            ASSERT_NE(m, nullptr);
            EXPECT_NEAR(m->ratio, x, 1e-9 * x) << p << "/" << q;
            EXPECT_TRUE(m->is_cusp) << p << "/" << q;
            ASSERT_TRUE(m->just.has_value()) << p << "/" << q;
            EXPECT_EQ(m->just->numerator, p);
            EXPECT_EQ(m->just->denominator, q);
            EXPECT_NEAR(m->cents, 1200.0 * std::log2(x), 1e-6);
        }
    }
}

// The prominence of each minimum walked on the dense samples by its definition: the rise on
// each side up to where the curve falls lower, or up to the range's end.
TEST(CurveMinima, ProminenceIsTheSmallerRiseBeforeTheCurveFallsLower) {
    for (const Case& c : dense_cases()) {
        SCOPED_TRACE(name_of(c));
        const auto found = minima_of(c.curve, {.x_min = c.x_min, .x_max = c.x_max});
        const Dense d = dense_search(c);
        double peak = *std::max_element(d.y.begin(), d.y.end());
        for (const CurveMinimum& m : found) {
            const auto here = std::lower_bound(d.x.begin(), d.x.end(), m.ratio) - d.x.begin();
            auto rise = [&](int step) {
                double highest = m.value;
                for (auto i = here + step; i >= 0 && i < static_cast<long>(d.x.size()); i += step) {
                    if (d.y[i] < m.value - 1e-12 * peak) break;
                    highest = std::max(highest, d.y[i]);
                }
                return highest - m.value;
            };
            const double expected = m.ratio == c.x_min   ? rise(1)
                                    : m.ratio == c.x_max ? rise(-1)
                                                         : std::min(rise(-1), rise(1));
            EXPECT_NEAR(m.prominence, expected, 1e-5 * peak) << m.ratio;
        }
    }
}

// Every minimum is a minimum of the exact curve: a cusp where the
// exact slopes turn from falling to rising, the value the exact curve has there.
TEST(CurveMinima, AgreesWithTheExactCurve) {
    {
        const CurveDefinition curve = document_curve_definition(
            {GeometricHarmonics, 25, 440.0}, std::vector<float>{1.0f, 6.0f / 5, 3.0f / 2, 2.0f});
        const ExactCurve exact = exact_curve(curve);
        const auto minima = minima_of(curve, {.x_min = 1.0, .x_max = 4.0});
        EXPECT_GT(minima.size(), 40u);
        for (const CurveMinimum& m : minima) {
            const CurvePoint at = exact.at(m.ratio);
            EXPECT_NEAR(m.value, at.value, 1e-11 * at.value) << m.ratio;
            if (m.is_cusp) {
                EXPECT_TRUE(at.is_cusp) << m.ratio;
                EXPECT_LT(at.slope_below, 0.0) << m.ratio;
                EXPECT_GT(at.slope_above, 0.0) << m.ratio;
            }
        }
    }
}

// At every cusp the exact curve's one-sided slopes (summed pair by pair) say whether it is a
// minimum: exactly those cusps are the cusp minima found. Seeded random documents (every
// timbre type, inharmonic timbres, 0 to 10 fixed tones) and the worst document.
TEST(CurveMinima, ExactlyTheCuspsWhoseSlopesTurnAreCuspMinima) {
    std::mt19937 rng(20260601);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    std::vector<Case> cases;
    for (int n = 0; n < 12; ++n) {
        std::vector<float> ratios;
        const int fixed = std::uniform_int_distribution<int>(0, 10)(rng);
        for (int t = 0; t < fixed; ++t) ratios.push_back(static_cast<float>(uniform(1.0, 2.0)));
        CurveDefinition curve =
            document_curve_definition({std::uniform_int_distribution<int32_t>(0, 5)(rng),
                                       std::uniform_int_distribution<int32_t>(1, 16)(rng),
                                       40.0 * std::pow(50.0, uniform(0, 1))},
                                      ratios);
        if (n % 3 == 0)  // stretch the partials: an inharmonic timbre
            for (Partial& p : curve.partials) p.ratio = std::pow(p.ratio, 1.07);
        const double x_min = uniform(0.5, 1.5);
        cases.push_back({"random " + std::to_string(n), curve, x_min, x_min * uniform(1.2, 3.0)});
    }
    cases.push_back({"worst",
                     document_curve_definition(
                         {GeometricHarmonics, 25, 440.0},
                         std::vector<float>{1.0f, 16.0f / 15, 9.0f / 8, 6.0f / 5, 5.0f / 4,
                                            4.0f / 3, 3.0f / 2, 8.0f / 5, 5.0f / 3, 2.0f}),
                     1.0, 4.0});
    for (const Case& c : cases) {
        SCOPED_TRACE(name_of(c));
        const ExactCurve exact = exact_curve(c.curve);
        const CurveExtrema found = extrema_of(c.curve, c.x_min, c.x_max);
        std::vector<double> expected, got;
        std::vector<double> cusps = cusps_of(c);
        std::sort(cusps.begin(), cusps.end());
        cusps.erase(std::unique(cusps.begin(), cusps.end()), cusps.end());
        for (const double x : cusps) {
            const CurvePoint at = exact.at(x);
            if (at.slope_below < 0.0 && at.slope_above > 0.0) expected.push_back(x);
        }
        for (const CurveExtremum& e : found.extrema)
            if (e.is_cusp && e.is_minimum) got.push_back(e.ratio);
        EXPECT_EQ(got, expected);
    }
}

TEST(CurveMinima, FlatAndCuspFreeCurves) {
    // No partial sounds: the curve is 0 everywhere and has no minimum.
    CurveDefinition silent = bell();
    for (Partial& p : silent.partials) p.amplitude = 0.0;
    EXPECT_TRUE(minima_of(silent, {}).empty());
    // No fixed tone: only the sweep tone's own pairs, which change with x through the
    // bandwidth; no cusps, and any extremum is smooth.
    CurveDefinition alone = bell();
    alone.fixed_tone_ratios.clear();
    const CurveExtrema extrema = extrema_of(alone, 0.5, 4.0);
    for (const CurveExtremum& e : extrema.extrema) EXPECT_FALSE(e.is_cusp);
    const ExactCurve exact = exact_curve(alone);
    double amplitudes = 0.0;
    for (const Partial& p : alone.partials) amplitudes += p.amplitude;
    const double mass = amplitudes * amplitudes;  // of every pair's weight
    EXPECT_NEAR(extrema.value_at_begin, exact.at(0.5).value, 1e-13 * mass);
    EXPECT_NEAR(extrema.value_at_end, exact.at(4.0).value, 1e-13 * mass);
}

// The widest range accepted ends, and finds the unison.
TEST(CurveMinima, TheWidestRangeIsSearchedInBoundedTime) {
    const CurveDefinition curve =
        document_curve_definition({PureTone, 1, 440.0}, std::vector<float>{1.0f});
    const auto minima = minima_of(curve, {.x_min = kMinCurveX, .x_max = kMaxCurveX});
    ASSERT_EQ(minima.size(), 1u);
    EXPECT_EQ(minima[0].ratio, 1.0);
    EXPECT_TRUE(minima[0].is_cusp);
}

TEST(CurveMinima, RefusesRangesAndTolerancesItCannotUse) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<MinimaSearch> bad{
        {.x_min = nan},
        {.x_max = inf},
        {.x_min = 2.0, .x_max = 2.0},
        {.x_min = 3.0, .x_max = 2.0},
        {.x_min = 0.0},
        {.x_min = -1.0},
        {.x_min = kMinCurveX / 2},
        {.x_max = kMaxCurveX * 2},
        {.just_tolerance_cents = -1.0},
        {.just_tolerance_cents = nan},
        {.max_just_denominator = 0},
        {.max_just_denominator = kMaxJustDenominator + 1},
    };
    const CurveDefinition curve = bell();
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(check_minima_search(bad[i]).ok()) << i;
        EXPECT_FALSE(find_curve_minima(curve, bad[i]).ok()) << i;
    }
    CurveDefinition no_partials = curve;
    no_partials.partials.clear();
    EXPECT_FALSE(find_curve_minima(no_partials, {}).ok());
    EXPECT_FALSE(find_curve_extrema(curve, 2.0, 1.0).ok());
}

}  // namespace
}  // namespace kelvara
