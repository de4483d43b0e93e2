// The exact 64-bit curve against the document's 32-bit curve, against the plain definition in
// and its slopes against finite differences.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/curve_definition.h"
#include "engine/dissonance_kernel.h"
#include "engine/exact_curve.h"
#include "engine/partials.h"

namespace kelvara {
namespace {

ExactCurve exact_curve(const CurveDefinition& curve) {
    return *ExactCurve::create(curve);
}

// The literal pair sum's own 32-bit terms, in its order, accumulated in 64 bits: the float
// curve without the rounding of a long float accumulation.
double pair_sum_reference(const PartialListView& list) {
    using namespace roughness;
    double y = 0.0;
    for (int32_t i = 0; i < list.count; ++i)
        for (int32_t j = 0; j < list.count; ++j) {
            const float* p = list.partials;
            const float lower = std::min(p[i], p[j]);
            const float s = (kNumerator / (kBandwidthSlope * lower + kBandwidthOffset)) *
                            std::fabs(p[j] - p[i]);
            y += static_cast<double>(list.amplitudes[i] * list.amplitudes[j]) *
                 static_cast<double>(std::exp(kFirstRate * s) - std::exp(kSecondRate * s));
        }
    return y;
}

struct Document {
    Timbre timbre;
    std::vector<float> ratios;
};

std::string describe(const Document& d) {
    return "type " + std::to_string(d.timbre.overtone_type) + ", " +
           std::to_string(d.timbre.number_of_overtones) + " overtones, " +
           std::to_string(d.timbre.base_frequency) + " Hz, " + std::to_string(d.ratios.size()) +
           " fixed tones";
}

// The document's partial list with the sweep tone at x, as sampling builds it.
struct FloatList {
    explicit FloatList(const Document& d)
        : d(d),
          count(number_of_partials(d.timbre, static_cast<int32_t>(d.ratios.size()))),
          partials(count),
          amplitudes(count) {
        build_partials(d.timbre, d.ratios, partials.data(), amplitudes.data());
    }
    PartialListView at(float x) {
        move_sweep_tone(d.timbre, static_cast<int32_t>(d.ratios.size()), x, partials.data());
        return {partials.data(), amplitudes.data(), count, count - partials_per_tone(d.timbre)};
    }
    const Document& d;
    int32_t count;
    std::vector<float> partials, amplitudes;
};

// Every ordered pair of every partial, in double, straight from the definition (with the
// model's constants as the kernels hold them, in 32 bits).
double plain_sum(const CurveDefinition& c, double x) {
    struct Sine {
        double hz, amplitude;
    };
    std::vector<Sine> sines;
    for (const double r : c.fixed_tone_ratios)
        for (const Partial& p : c.partials)
            sines.push_back({c.base_frequency_hz * r * p.ratio, p.amplitude});
    for (const Partial& p : c.partials)
        sines.push_back({c.base_frequency_hz * x * p.ratio, p.amplitude});
    double y = 0.0;
    for (const Sine& a : sines)
        for (const Sine& b : sines) {
            const double lower = std::min(a.hz, b.hz);
            const double s = 0.24f * std::fabs(a.hz - b.hz) / (0.021f * lower + 19.0);
            y += a.amplitude * b.amplitude * (std::exp(-3.5 * s) - std::exp(-5.75 * s));
        }
    return y;
}

// Every timbre type, few and many overtones, low and high bases, 0 to 10 fixed tones; x off and
// on cusps. The float curve rounds every frequency to 24 bits and every term to float; the
// exact curve must stay within a few millionths of the curve's peak of it.
TEST(ExactCurve, AgreesWithTheDocumentsFloatCurve) {
    const std::vector<Document> documents{
        {{GeometricHarmonics, 25, 440.0}, {1.0f}},
        {{GeometricHarmonics, 25, 440.0},
         {1.0f, 16.0f / 15, 9.0f / 8, 6.0f / 5, 5.0f / 4, 4.0f / 3, 3.0f / 2, 8.0f / 5, 5.0f / 3,
          2.0f}},
        {{PureTone, 1, 261.63}, {1.0f, 1.25f, 1.5f}},
        {{FlatHarmonics, 7, 110.0}, {1.0f, 1.5f}},
        {{OddHarmonics, 12, 55.0}, {1.0f}},
        {{ShapedHarmonics, 40, 880.0}, {1.0f, 1.2f}},
        {{InverseHarmonics, 3, 3000.0}, {}},
    };
    const std::vector<float> xs{1.0f, 1.0137f, 1.2f, 1.25f, 1.4142f, 1.5f, 1.99f, 2.0f, 3.3f};
    for (const Document& d : documents) {
        SCOPED_TRACE(describe(d));
        const ExactCurve exact = exact_curve(document_curve_definition(d.timbre, d.ratios));
        FloatList list(d);
        std::vector<double> reference, literal, exact_values;
        for (const float x : xs) {
            const PartialListView view = list.at(x);
            reference.push_back(pair_sum_reference(view));
            literal.push_back(pair_sum_literal(view.partials, view.amplitudes, view.count));
            exact_values.push_back(exact.at(x).value);
        }
        const double peak = *std::max_element(reference.begin(), reference.end());
        for (size_t i = 0; i < xs.size(); ++i) {
            EXPECT_NEAR(exact_values[i], reference[i], 3e-6 * peak) << "x " << xs[i];
            EXPECT_NEAR(exact_values[i], literal[i],
                        3e-6 * peak + std::fabs(literal[i] - reference[i]))
                << "x " << xs[i];
        }
    }
}

CurveDefinition inharmonic() {
    return {{{1.0, 1.0}, {2.76, 0.6}, {5.40, 0.0}, {5.40, 0.3}, {8.93, 0.25}, {0.5, 0.8}},
            330.0,
            {1.0, 1.3348, 2.0}};
}

// Harmonic and inharmonic timbres (a sub-harmonic, a silent partial, two at one
// ratio), against the definition summed plainly in double.
TEST(ExactCurve, FollowsTheDefinition) {
    {
        std::vector<CurveDefinition> curves{
            inharmonic(),
            document_curve_definition({ShapedHarmonics, 12, 196.0}, std::vector<float>{1.0f, 1.5f}),
            {{{1.0, 0.5}}, 1000.0, {}},  // one sine alone: the curve is 0
        };
        for (const CurveDefinition& c : curves) {
            const ExactCurve exact = exact_curve(c);
            for (const double x : {0.37, 1.0, 1.3348, 1.71, 2.76, 4.5}) {
                const double expected = plain_sum(c, x);
                EXPECT_NEAR(exact.at(x).value, expected, 1e-12 * std::max(1.0, expected))
                    << " x " << x;
            }
        }
    }
}

// Away from cusps both slopes are the derivative; at a cusp each is its side's derivative.
TEST(ExactCurve, SlopesAreTheDerivativesOnEachSide) {
    {
        const CurveDefinition c = inharmonic();
        const ExactCurve exact = exact_curve(c);
        struct Point {
            double x;
            bool cusp;
        };
        // 2.76 × 1.3348 / 2.76 = 1.3348: fixed partial 2 of tone 2 against sweep partial 2;
        // 2.0 × 2.76 / 2.76: the octave tone's partial 2; 8.93 / 5.40 between them.
        const std::vector<Point> points{
            {1.17, false}, {1.3348, true}, {2.0, true}, {8.93 / 5.40, true}, {3.05, false}};
        for (const Point& p : points) {
            const CurvePoint at = exact.at(p.x);
            EXPECT_EQ(at.is_cusp, p.cusp) << p.x;
            const double h = 1e-7 * p.x;
            const double below = (at.value - exact.at(p.x - h).value) / h;
            const double above = (exact.at(p.x + h).value - at.value) / h;
            const double scale = std::fabs(at.slope_below) + std::fabs(at.slope_above) + at.value;
            EXPECT_NEAR(at.slope_below, below, 1e-4 * scale) << p.x;
            EXPECT_NEAR(at.slope_above, above, 1e-4 * scale) << p.x;
            if (p.cusp)
                EXPECT_GT(at.slope_above - at.slope_below, 1e-3 * scale) << p.x;  // a V, always
            else
                EXPECT_EQ(at.slope_above, at.slope_below) << p.x;
        }
    }
}

TEST(ExactCurve, RefusesWhatItCannotEvaluate) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const CurveDefinition good = inharmonic();
    std::vector<CurveDefinition> bad(11, good);
    bad[0].partials.clear();
    bad[1].partials.assign(kMaxCurvePartials + 1, {1.0, 1.0});
    bad[2].partials[1].ratio = nan;
    bad[3].partials[1].ratio = 0.0;
    bad[4].partials[1].ratio = -2.0;
    bad[5].partials[1].amplitude = -0.1;
    bad[6].partials[1].amplitude = inf;
    bad[7].base_frequency_hz = 0.0;
    bad[8].base_frequency_hz = nan;
    bad[9].fixed_tone_ratios.assign(kMaxCurveFixedTones + 1, 1.0);
    bad[10].fixed_tone_ratios[0] = inf;
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(check_curve_definition(bad[i]).ok()) << i;
        EXPECT_FALSE(ExactCurve::create(bad[i]).ok()) << i;
    }
    EXPECT_TRUE(check_curve_definition(good).ok());
    EXPECT_TRUE(
        document_curve_definition({9, 25, 440.0}, std::vector<float>{1.0f}).partials.empty());

    const ExactCurve exact = exact_curve(good);
    for (const double x : {nan, 0.0, -1.0, inf}) EXPECT_TRUE(std::isnan(exact.at(x).value)) << x;
}

}  // namespace
}  // namespace kelvara
