// The triad surface against the literal pair sum, its exact minima where the cusp lines of
// harmonic and stretched timbres cross, the triads they are named by, and what is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/dissonance_kernel.h"
#include "engine/exact_surface.h"
#include "engine/just_triad.h"
#include "engine/surface_minima.h"
#include "engine/triad_surface.h"

namespace kelvara {
namespace {

// Every ordered pair of partials of the tones at 1 (and the other fixed tones), r and s, in
// double, term by term as the model is written, with the model's constants widened.
double literal_surface(const CurveDefinition& c, double r, double s) {
    std::vector<double> tones = surface_fixed_tones(c);
    tones.push_back(r);
    tones.push_back(s);
    std::vector<Partial> all;
    for (const double t : tones)
        for (const Partial& p : c.partials)
            all.push_back({c.base_frequency_hz * t * p.ratio, p.amplitude});
    double sum = 0.0;
    for (const Partial& a : all)
        for (const Partial& b : all) {
            const double lo = std::min(a.ratio, b.ratio), hi = std::max(a.ratio, b.ratio);
            const double x = double{roughness::kNumerator} * (hi - lo) /
                             (double{roughness::kBandwidthSlope} * lo + 19.0);
            const double w = c.model == RoughnessModel::Minimum ? std::min(a.amplitude, b.amplitude)
                                                                : a.amplitude * b.amplitude;
            sum += w * (std::exp(-3.5 * x) - std::exp(-5.75 * x));
        }
    return sum;
}

CurveDefinition harmonics(int count, double stretch = 1.0) {
    CurveDefinition c;
    for (int k = 1; k <= count; ++k) c.partials.push_back({std::pow(k, stretch), 1.0});
    c.fixed_tone_ratios = {1.0};
    return c;
}

std::vector<SurfaceMinimum> minima_of(const CurveDefinition& c, const SurfaceRange& range) {
    Result<SurfaceGrid> grid = sample_surface(c, range);
    EXPECT_TRUE(grid.ok());
    if (!grid) return {};
    Result<std::vector<SurfaceMinimum>> minima = find_surface_minima(c, *grid);
    EXPECT_TRUE(minima.ok());
    return minima ? *minima : std::vector<SurfaceMinimum>{};
}

const SurfaceMinimum* minimum_at(const std::vector<SurfaceMinimum>& minima, double r, double s) {
    for (const SurfaceMinimum& m : minima)
        if (std::fabs(m.r - r) <= 1e-9 && std::fabs(m.s - s) <= 1e-9) return &m;
    return nullptr;
}

TEST(TriadSurface, GridAndExactSurfaceAgreeWithTheLiteralPairSum) {
    CurveDefinition bell{{{1.0, 1.0}, {2.76, 0.55}, {5.40, 0.35}, {8.93, 0.2}}, 330.0, {1.0, 1.41}};
    CurveDefinition minimum = document_curve_definition({GeometricHarmonics, 12, 261.63},
                                                        std::vector{1.0f}, RoughnessModel::Minimum);
    const struct {
        std::string name;
        CurveDefinition curve;
    } cases[] = {
        {"bell, two fixed tones", bell},
        {"minimum model", minimum},
        {"no tone at 1/1", {harmonics(6).partials, 440.0, {1.5}}},
    };
    const SurfaceRange range{0.9, 2.3, 0.8, 2.1, 9, false};
    for (const auto& c : cases) {
        Result<SurfaceGrid> grid = sample_surface(c.curve, range, nullptr, 2);
        Result<ExactSurface> exact = ExactSurface::create(c.curve);
        ASSERT_TRUE(grid.ok() && exact.ok()) << c.name;
        for (int32_t i = 0; i < range.size; ++i)
            for (int32_t j = 0; j < range.size; ++j) {
                const double r = range.r_at(i), s = range.s_at(j);
                const double literal = literal_surface(c.curve, r, s);
                EXPECT_NEAR(grid->value(i, j), literal, 1e-5 * literal)
                    << c.name << " " << r << " " << s;
                EXPECT_NEAR(exact->at(r, s), literal, 1e-12 * literal) << c.name;
                EXPECT_NEAR(exact->at(s, r), exact->at(r, s), 1e-12 * literal) << c.name;
            }
    }
}

// Six equal harmonics have their just triads as exact minima, named by them; octaves
// stretched to 2.1 move each of them with the stretch.
TEST(TriadSurface, HarmonicTriadsAreExactMinimaAndMoveWithAStretch) {
    const double stretch = std::log2(2.1);
    const std::vector<SurfaceMinimum> minima = minima_of(harmonics(6), {.size = 128});
    const std::vector<SurfaceMinimum> stretched =
        minima_of(harmonics(6, stretch), {.r_max = 2.2, .s_max = 2.2, .size = 128});
    const struct {
        double r, s;
        std::string triad;
    } expected[] = {{1.25, 1.5, "4:5:6"}, {1.2, 1.5, "10:12:15"}, {4.0 / 3.0, 5.0 / 3.0, "3:4:5"}};
    for (const auto& e : expected) {
        const SurfaceMinimum* m = minimum_at(minima, e.r, e.s);
        ASSERT_NE(m, nullptr) << e.triad;
        ASSERT_TRUE(m->triad.has_value());
        EXPECT_EQ(triad_text(*m->triad), e.triad);
        EXPECT_GT(m->prominence, 0.0);
        EXPECT_NE(minimum_at(stretched, std::pow(e.r, stretch), std::pow(e.s, stretch)), nullptr)
            << e.triad;
        EXPECT_EQ(minimum_at(stretched, e.r, e.s), nullptr) << e.triad;
    }
    EXPECT_TRUE(std::is_sorted(minima.begin(), minima.end(),
                               [](const auto& a, const auto& b) { return a.value < b.value; }));
    for (const SurfaceMinimum& m : minima) EXPECT_GE(m.s, m.r);
}

TEST(TriadSurface, NamesTriadsByTheSmallestExactChordElseTheSimplestNearOne) {
    const struct {
        double r, s, tolerance;
        std::string expected;  // empty: none
    } cases[] = {
        {1.25, 1.5, 10.0, "4:5:6"},
        {1.2502, 1.4999, 10.0, "4:5:6"},
        {81.0 / 64.0, 1.5, 25.0, "64:81:96"},  // exact beats the simpler 4:5:6 within 25 cents
        {NAN, 1.5, 10.0, ""},
    };
    for (const auto& c : cases) {
        const std::optional<JustTriad> t = nearest_just_triad(c.r, c.s, c.tolerance);
        EXPECT_EQ(t ? triad_text(*t) : "", c.expected) << c.r << " " << c.s;
    }
}

TEST(TriadSurface, RefusesBadRangesAndStopsWhenCancelled) {
    const CurveDefinition c = harmonics(3);
    for (const SurfaceRange& range :
         {SurfaceRange{.r_min = 2.0, .r_max = 1.0}, SurfaceRange{.r_min = 0.0},
          SurfaceRange{.size = 1}, SurfaceRange{.size = 5000}})
        EXPECT_FALSE(sample_surface(c, range).ok());
    EXPECT_FALSE(sample_surface({}, SurfaceRange{}).ok());
    SurfaceProgress progress;
    progress.cancel = true;
    const Result<SurfaceGrid> cancelled = sample_surface(c, {}, &progress);
    ASSERT_FALSE(cancelled.ok());
    EXPECT_EQ(cancelled.error().reason, kSurfaceCancelled);
    EXPECT_EQ(progress.rows_done, 0);
}

// The readout's value: the nearest grid point's, its mirror image's below the diagonal of a
// half-sampled square, nothing outside.
TEST(TriadSurface, ValueNearTakesTheNearestPointOrItsMirrorImage) {
    const Result<SurfaceGrid> grid = sample_surface(harmonics(3), SurfaceRange{.size = 3});
    ASSERT_TRUE(grid.ok());
    struct Case {
        double r, s;
        int32_t i, j;  // -1: NaN
    };
    for (const Case c : {Case{1.0, 2.0, 0, 2}, Case{1.2, 1.6, 0, 1}, Case{1.6, 1.2, 0, 1},
                         Case{1.9, 1.8, 2, 2}, Case{2.5, 1.5, -1, -1}, Case{1.5, NAN, -1, -1}}) {
        const float v = grid->value_near(c.r, c.s);
        if (c.i < 0)
            EXPECT_TRUE(std::isnan(v)) << c.r << " " << c.s;
        else
            EXPECT_EQ(v, grid->value(c.i, c.j)) << c.r << " " << c.s;
    }
}

}  // namespace
}  // namespace kelvara
