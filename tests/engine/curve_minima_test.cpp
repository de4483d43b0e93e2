// The minima search against the exact curve it searches: every minimum a dense search sees
// found, each minimum found a minimum of the exact curve to 1e-9 in the ratio, the cusp minima
// exactly the cusps where the slopes turn, and what is refused. (Prominence by its definition:
// minima_tables_test.cpp; harmonic timbres named by their just ratios, with their prominences:
// tests/cli.)
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

struct Case {
    std::string name;
    CurveDefinition curve;
    double x_min, x_max;
};

std::vector<CurveMinimum> minima_of(const Case& c) {
    Result<std::vector<CurveMinimum>> minima =
        find_curve_minima(c.curve, {.x_min = c.x_min, .x_max = c.x_max});
    EXPECT_TRUE(minima.ok()) << (minima.ok() ? "" : minima.error().reason);
    return minima.ok() ? std::move(*minima) : std::vector<CurveMinimum>{};
}

// A few shaped documents (a bell-like inharmonic timbre among them) and seeded random ones:
// every timbre type, 1 to 8 partials, 1 to 3 fixed tones, bases from 40 to 2000 Hz.
std::vector<Case> cases() {
    std::vector<Case> cases{
        {"geometric 8",
         document_curve_definition({GeometricHarmonics, 8, 440.0}, std::vector{1.0f, 1.25f, 1.5f}),
         1.0, 2.0},
        {"pure tones",
         document_curve_definition({PureTone, 1, 261.63}, std::vector{1.0f, 1.2f, 1.5f}), 0.8, 2.2},
        {"bell",
         {{{1.0, 1.0}, {2.76, 0.55}, {5.40, 0.35}, {8.93, 0.2}}, 330.0, {1.0, 1.41}},
         0.9,
         3.0},
    };
    std::mt19937 rng(7);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    for (int n = 0; n < 30; ++n) {
        const int32_t type = std::uniform_int_distribution<int32_t>(0, 5)(rng);
        const int32_t overtones = std::uniform_int_distribution<int32_t>(1, 8)(rng);
        std::vector<float> ratios(std::uniform_int_distribution<size_t>(1, 3)(rng));
        for (float& r : ratios) r = static_cast<float>(uniform(1.0, 2.0));
        const double base = 40.0 * std::pow(50.0, uniform(0.0, 1.0));
        cases.push_back({"random " + std::to_string(n),
                         document_curve_definition({type, overtones, base}, ratios), 1.0, 2.0});
    }
    return cases;
}

// Where a partial of the sweep tone meets one of a fixed tone, within the range.
std::vector<double> cusps(const Case& c) {
    std::vector<double> xs;
    for (const double r : c.curve.fixed_tone_ratios)
        for (const Partial& fixed : c.curve.partials)
            for (const Partial& sweep : c.curve.partials)
                if (const double x = r * fixed.ratio / sweep.ratio; x >= c.x_min && x <= c.x_max)
                    xs.push_back(x);
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    return xs;
}

// The exact curve on a fine grid and at every cusp, and the samples below both neighbours.
struct Dense {
    std::vector<double> x, y;
    std::vector<size_t> minima;
};

Dense dense_search(const Case& c, const ExactCurve& exact) {
    Dense d;
    for (int i = 0; i <= kDenseSamples; ++i)
        d.x.push_back(c.x_min + (c.x_max - c.x_min) * i / kDenseSamples);
    const std::vector<double> at_cusps = cusps(c);
    d.x.insert(d.x.end(), at_cusps.begin(), at_cusps.end());
    std::sort(d.x.begin(), d.x.end());
    d.x.erase(std::unique(d.x.begin(), d.x.end()), d.x.end());
    for (const double x : d.x) d.y.push_back(exact.at(x).value);
    for (size_t i = 1; i + 1 < d.x.size(); ++i)
        if (d.y[i] < d.y[i - 1] && d.y[i] < d.y[i + 1]) d.minima.push_back(i);
    return d;
}

// Every minimum the dense search sees is found, whatever lies between samples. (The search
// finds more than the dense one only where a cusp and a maximum lie closer than its spacing.)
// Each minimum found is one of the exact curve (summed pair by pair, not the series the search
// uses), with its value to 1e-11 of the pair weights: at a cusp the one-sided slopes turn from
// falling to rising, and the cusps where they turn are exactly the cusp minima; a smooth minimum
// lies within 1e-9 of the ratio where bisection on the exact slope, from 1e-6 on either side, finds
// its sign change.
TEST(CurveMinima, FindsEveryMinimumOfTheExactCurveToTheLastBits) {
    std::vector<Case> all = cases();
    all.push_back(
        {"worst",
         document_curve_definition({GeometricHarmonics, 25, 440.0},
                                   std::vector{1.0f, 16.0f / 15, 9.0f / 8, 6.0f / 5, 5.0f / 4,
                                               4.0f / 3, 3.0f / 2, 8.0f / 5, 5.0f / 3, 2.0f}),
         1.0, 4.0});
    int smooth = 0;
    for (const Case& c : all) {
        SCOPED_TRACE(c.name);
        const ExactCurve exact = *ExactCurve::create(c.curve);
        const std::vector<CurveMinimum> found = minima_of(c);
        if (c.name != "worst") {  // 26 partials and ten fixed tones: too slow to search densely
            const Dense d = dense_search(c, exact);
            const double spacing = (c.x_max - c.x_min) / kDenseSamples;
            for (const size_t i : d.minima)
                EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                                        [&](const CurveMinimum& m) {
                                            return std::fabs(m.ratio - d.x[i]) <= 1.01 * spacing;
                                        }))
                    << "dense minimum at " << d.x[i];
        }
        // The values are trusted to a fraction of the weight of every pair.
        double amplitudes = 0.0;
        for (const Partial& p : c.curve.partials) amplitudes += p.amplitude;
        const double mass = std::pow(amplitudes * (c.curve.fixed_tone_ratios.size() + 1), 2);
        std::vector<double> cusp_minima, turning_cusps;
        for (const CurveMinimum& m : found) {
            const CurvePoint at = exact.at(m.ratio);
            EXPECT_NEAR(m.value, at.value, 1e-11 * mass) << m.ratio;
            EXPECT_EQ(m.is_cusp, at.is_cusp) << m.ratio;
            if (m.is_cusp) {
                cusp_minima.push_back(m.ratio);
                continue;
            }
            ++smooth;
            double below = m.ratio * (1 - 1e-6), above = m.ratio * (1 + 1e-6);
            ASSERT_LT(exact.at(below).slope_above, 0.0) << m.ratio;
            ASSERT_GT(exact.at(above).slope_below, 0.0) << m.ratio;
            for (int step = 0; step < 100; ++step) {
                const double mid = 0.5 * (below + above);
                (exact.at(mid).slope_below < 0.0 ? below : above) = mid;
            }
            EXPECT_NEAR(m.ratio, below, 1e-9 * m.ratio);
        }
        for (const double x : cusps(c))
            if (exact.at(x).slope_below < 0.0 && exact.at(x).slope_above > 0.0)
                turning_cusps.push_back(x);
        EXPECT_EQ(cusp_minima, turning_cusps);
    }
    EXPECT_GT(smooth, 20);  // the cases do have smooth minima
}

TEST(CurveMinima, RefusesWhatItCannotSearch) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CurveDefinition good = cases()[2].curve;
    const std::vector<MinimaSearch> bad_searches{
        {.x_min = nan},
        {.x_min = 2.0},
        {.x_max = 2e4},
        {.just = {.tolerance_cents = -1.0}},
    };
    for (const MinimaSearch& search : bad_searches)
        EXPECT_FALSE(find_curve_minima(good, search).ok()) << search.x_min << " " << search.x_max;
    std::vector<CurveDefinition> bad(4, good);
    bad[0].partials.assign(kMaxCurvePartials + 1, {1.0, 1.0});
    bad[1].partials[1].ratio = nan;
    bad[2].base_frequency_hz = 0.0;
    bad[3].fixed_tone_ratios.assign(kMaxCurveFixedTones + 1, 1.0);
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(find_curve_minima(bad[i], {}).ok()) << i;
        EXPECT_FALSE(ExactCurve::create(bad[i]).ok()) << i;
    }
    // The widest range ends in bounded time and finds the unison of two sines.
    const auto widest =
        find_curve_minima(document_curve_definition({PureTone, 1, 440.0}, std::vector{1.0f}),
                          {.x_min = kMinCurveX, .x_max = kMaxCurveX});
    ASSERT_TRUE(widest.ok());
    ASSERT_EQ(widest->size(), 1u);
    EXPECT_EQ((*widest)[0].ratio, 1.0);
}

}  // namespace
}  // namespace kelvara
