// Adaptive tuning of held chords: tempered triads reach their just tunings with harmonic
// timbres (the weak cusps of many harmonics passed over) and a stretched timbre its stretched
// ones, no note left on a slope, and the anchors and bounds hold. (The major triad of six equal
// harmonics and the cents each note moves as a user reads them: tests/cli and the window's
// tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/adaptive_tuning.h"
#include "engine/curve_definition.h"
#include "engine/moving_pair_sums.h"
#include "engine/roughness_rows.h"
#include "engine/roughness_terms.h"

namespace kelvara {
namespace {

double key_hz(int key) {
    return 261.63 * std::exp2((key - 60) / 12.0);
}
double cents(double ratio) {
    return 1200.0 * std::log2(ratio);
}

ChordToAdapt chord_of(const std::vector<int>& keys, std::vector<Partial> partials) {
    ChordToAdapt chord;
    for (const int key : keys) chord.nominal_hz.push_back(key_hz(key));
    chord.partials = std::move(partials);
    return chord;
}

// Every ordered pair of the tones' partials with two exponentials each, as the curve's exact
// evaluation sums them: the reference the search's own one-exponential sums are held to.
double literal_dissonance(const std::vector<double>& hz, const std::vector<Partial>& partials) {
    namespace rt = roughness_terms;
    std::vector<Partial> all;
    for (const double f : hz)
        for (const Partial& p : partials) all.push_back({f * p.ratio, p.amplitude});
    double sum = 0.0;
    for (const Partial& a : all)
        for (const Partial& b : all) {
            if (&a == &b) continue;
            const double lower = std::min(a.ratio, b.ratio), upper = std::max(a.ratio, b.ratio);
            sum += a.amplitude * b.amplitude * rt::term(rt::separation(lower, upper)).value;
        }
    return sum;
}

// A timbre of six equal partials whose octave is stretched to 2.04 (34 cents).
std::vector<Partial> stretched_partials() {
    std::vector<Partial> partials;
    for (int k = 1; k <= 6; ++k) partials.push_back({std::pow(k, std::log2(2.04)), 1.0});
    return partials;
}

TEST(AdaptiveTuning, TemperedTriadsReachTheirJustTuningsWithTheLowestNoteHeld) {
    const struct {
        std::string name;
        std::vector<int> keys;
        std::vector<Partial> partials;
        std::vector<double> ratios;  // of each note to the lowest, when adapted
    } cases[] = {
        {"minor, 25 falling",
         {67, 63, 60},
         harmonic_partials(GeometricHarmonics, 25),
         {1.5, 1.2, 1}},
        {"stretched",
         {60, 64, 67},
         stretched_partials(),
         {1, std::pow(1.25, std::log2(2.04)), std::pow(1.5, std::log2(2.04))}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ChordToAdapt chord = chord_of(c.keys, c.partials);
        const Result<AdaptedChord> adapted = adapt_chord(chord, {});
        ASSERT_TRUE(adapted) << adapted.error().reason;
        const size_t lowest = c.keys[0] < c.keys.back() ? 0 : c.keys.size() - 1;
        EXPECT_EQ(adapted->moved_cents[lowest], 0.0);
        for (size_t n = 0; n < c.keys.size(); ++n)
            EXPECT_NEAR(cents(adapted->adapted_hz[n] / adapted->adapted_hz[lowest]),
                        cents(c.ratios[n]), 0.5)
                << n;
        EXPECT_LT(adapted->dissonance_after, adapted->dissonance_before);
    }
}

// Where the search ends, no note but the held lowest one can lower the chord's dissonance by
// moving a little on its own, unless its bound stops it: a search that stops a walk early (at
// the end of the range one walk may cover, say) leaves a note on a slope. Pure tones push apart
// until the bounds hold them; one walk covers at most 61 cents, so the search needs several
// walks of the same note.
TEST(AdaptiveTuning, NoNoteCanMoveDownhillWhereTheSearchEnds) {
    ChordToAdapt chord;
    chord.nominal_hz = {263.82322, 110.0, 164.813778, 195.997718, 259.244773};
    chord.partials = {{1.0, 1.0}};
    AdaptationSettings settings;
    settings.max_move_cents = 61;
    settings.min_prominence = 0.0;
    const auto adapted = adapt_chord(chord, settings);
    ASSERT_TRUE(adapted);
    for (size_t n = 0; n < chord.nominal_hz.size(); ++n)
        for (const double step : {-0.01, 0.01}) {
            // The held lowest note (110 Hz) and a note at its bound may not move.
            if (n == 1 || std::fabs(adapted->moved_cents[n] + step) > settings.max_move_cents)
                continue;
            std::vector<double> hz = adapted->adapted_hz;
            hz[n] *= std::exp2(step / 1200);
            EXPECT_GE(chord_dissonance(hz, chord.partials, chord.model),
                      adapted->dissonance_after * (1 - 1e-12))
                << "note " << n << " moved by " << step;
        }
}

// A pure tone between two context tones settles where their pulls balance: a smooth minimum,
// which the search's last walk, on the 64-bit sums, finds to the last bits (its guide in
// floats would leave it a few millionths of a cent off).
TEST(AdaptiveTuning, ASmoothMinimumIsFoundToTheLastBits) {
    ChordToAdapt chord;
    chord.nominal_hz = {245.0};
    chord.context_hz = {200.0, 300.0};
    chord.partials = {{1.0, 1.0}};
    const auto adapted = adapt_chord(chord, {});
    ASSERT_TRUE(adapted);
    const auto slope_at = [&](double hz) {
        const double h = 1e-7 * hz;
        const auto d = [&](double f) {
            return chord_dissonance({chord.context_hz[0], chord.context_hz[1], f}, chord.partials,
                                    chord.model);
        };
        return (d(hz + h) - d(hz - h)) / (2 * h);
    };
    const double hz = adapted->adapted_hz[0];
    EXPECT_GT(hz, 200.0 * std::exp2(60.0 / 1200));
    EXPECT_LT(hz, 245.0 * std::exp2(49.0 / 1200));
    // The slope changes sign within a billionth of the pitch.
    EXPECT_LT(slope_at(hz * (1 - 1e-9)), 0.0);
    EXPECT_GT(slope_at(hz * (1 + 1e-9)), 0.0);
}

// A descent that passes over a rise between two cusps ends higher than the probe it began at;
// the search keeps the minimum it had instead of walking between the two for ever (a spring
// over a wide range, found by random chords).
TEST(AdaptiveTuning, ASearchWhoseDescentPassesOverARiseEnds) {
    ChordToAdapt chord;
    for (const int key : {40, 49, 52, 66, 70, 72}) chord.nominal_hz.push_back(key_hz(key));
    chord.partials = harmonic_partials(GeometricHarmonics, 6);
    AdaptationSettings settings;
    settings.anchor = TuningAnchor::Spring;
    settings.spring_weight = 0.1;
    settings.max_move_cents = 120;
    const auto adapted = adapt_chord(chord, settings);
    ASSERT_TRUE(adapted);
    EXPECT_LT(adapted->dissonance_after, adapted->dissonance_before);
}

// The sums the search walks on, in every build, against the literal sum and a difference
// quotient of it, at a cusp (the moving tone's partials meet the still ones') and off it.
TEST(AdaptiveTuning, TheMovingPairSumsAgreeWithTheLiteralSumInEveryBuild) {
    namespace mps = moving_pair_sums;
    const std::vector<Partial> partials = harmonic_partials(GeometricHarmonics, 25);
    const std::vector<double> still_tones = {key_hz(48), key_hz(60)};
    const double e_at_cusp = key_hz(48) * 2.5;  // its 2nd partial meets the low C's 5th
    std::vector<std::pair<double, double>> stills, movers;
    for (const double f : still_tones)
        for (const Partial& p : partials) stills.emplace_back(f * p.ratio, p.amplitude);
    for (const Partial& p : partials) movers.emplace_back(e_at_cusp * p.ratio, p.amplitude);
    mps::MovingSet set{mps::make_columns(movers), mps::make_columns(stills), {}, {}, {}, {}};
    set.first_still.assign(size_t(set.movers.size()), 0);
    set.last_still.assign(size_t(set.movers.size()), set.stills.size());
    set.last_mover.assign(size_t(set.movers.size()), set.movers.size());
    const auto literal_at = [&](double t) {
        std::vector<double> hz = still_tones;
        hz.push_back(e_at_cusp * std::exp2(t / 1200));
        return literal_dissonance(hz, partials) - literal_dissonance(still_tones, partials);
    };
    for (const double t : {0.0, 3.7}) {
        SCOPED_TRACE(t);
        const double h = 1e-4;
        const double below = (literal_at(t) - literal_at(t - h)) / h;
        const double above = (literal_at(t + h) - literal_at(t)) / h;
        const double scale = std::exp2(t / 1200);
        // Each build's sums, its probes' value alone (the walk's value to the last bit, or the
        // search would compare points of two slightly different curves) and how near the
        // literal sum it must be: the search's guide, in floats, a few millionths off.
        const bool avx2 = roughness_rows::cpu_has_avx2_fma(),
                   avx512 = roughness_rows::cpu_has_avx512();
        const struct {
            bool runs;
            mps::Sums (*sums)(const mps::MovingSet&, double);
            double (*value)(const mps::MovingSet&, double);
            double tolerance;
        } builds[] = {
            {true, mps::sum_moving_portable, mps::sum_moving_value_portable, 1e-12},
            {avx2, mps::sum_moving_avx2, mps::sum_moving_value_avx2, 1e-12},
            {avx2, mps::sum_moving_single_avx2, mps::sum_moving_value_single_avx2, 1e-5},
            {avx512, mps::sum_moving_avx512, mps::sum_moving_value_avx512, 1e-12},
            {avx512, mps::sum_moving_single_avx512, mps::sum_moving_value_single_avx512, 1e-5}};
        for (const auto& build : builds) {
            if (!build.runs) continue;
            const mps::Sums sums = build.sums(set, scale);
            EXPECT_EQ(build.value(set, scale), sums.value);
            EXPECT_NEAR(2 * sums.value, literal_at(t), build.tolerance * literal_at(t));
            EXPECT_NEAR(2 * sums.slope_below, below, 1e-3 * std::fabs(below));
            EXPECT_NEAR(2 * sums.slope_above, above, 1e-3 * std::fabs(above));
        }
        if (t == 0.0) {
            EXPECT_GT(above - below, 1e-3 * std::fabs(below));  // a cusp indeed
        }
    }
}

TEST(AdaptiveTuning, AnchorsBoundsAndRefusals) {
    const ChordToAdapt major = chord_of({60, 64, 67}, harmonic_partials(FlatHarmonics, 6));
    // The mean log-pitch stays: the just intervals, shifted as a whole.
    AdaptationSettings mean;
    mean.anchor = TuningAnchor::MeanPitch;
    const auto centred = adapt_chord(major, mean);
    ASSERT_TRUE(centred);
    EXPECT_NEAR(centred->moved_cents[0] + centred->moved_cents[1] + centred->moved_cents[2], 0.0,
                1e-9);
    EXPECT_NEAR(cents(centred->adapted_hz[1] / centred->adapted_hz[0]), cents(1.25), 0.5);
    // A spring: every note may move, and a strong one holds the keys' pitches closer.
    AdaptationSettings weak, strong;
    weak.anchor = strong.anchor = TuningAnchor::Spring;
    weak.spring_weight = 0.01, strong.spring_weight = 100.0;
    const auto loose = adapt_chord(major, weak), tight = adapt_chord(major, strong);
    EXPECT_NEAR(cents(loose->adapted_hz[1] / loose->adapted_hz[0]), cents(1.25), 0.5);
    EXPECT_LT(std::fabs(tight->moved_cents[1]),
              std::fabs(loose->moved_cents[1] - loose->moved_cents[0]));
    // A bound of 5 cents stops E on its way to 5/4.
    AdaptationSettings bounded;
    bounded.max_move_cents = 5.0;
    EXPECT_GE(adapt_chord(major, bounded)->moved_cents[1], -5.0);
    // Fixed tones as a context: a single note is pulled to the context's 3/2.
    ChordToAdapt single = chord_of({67}, harmonic_partials(FlatHarmonics, 6));
    single.context_hz = {key_hz(60)};
    EXPECT_NEAR(adapt_chord(single, {})->moved_cents[0], cents(1.5) - 700.0, 0.01);

    const struct {
        ChordToAdapt chord;
        AdaptationSettings settings;
    } refused[] = {
        {chord_of({}, harmonic_partials(FlatHarmonics, 6)), {}},
        {chord_of(std::vector<int>(17, 60), harmonic_partials(FlatHarmonics, 6)), {}},
        {chord_of({60}, {{1.0, NAN}}), {}},
        {major, {TuningAnchor::Spring, -1.0, 50.0, 0.01}},
    };
    for (const auto& r : refused) {
        const auto result = adapt_chord(r.chord, r.settings);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().description, "The chord cannot be tuned.");
        EXPECT_FALSE(result.error().reason.empty());
    }
}

}  // namespace
}  // namespace kelvara
