// The fast kernel against the literal pair sum: seeded random documents, the bound on the
// pairs it leaves out, and the lists it must hand to the literal sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/dissonance_kernel.h"
#include "engine/engine_limits.h"
#include "engine/fast_dissonance_kernel.h"
#include "engine/kernel_benchmark_cases.h"
#include "engine/partials.h"

namespace kelvara {
namespace {

// Unoptimised (sanitizer) builds run the literal sum many times slower: fewer cases there.
#ifdef __OPTIMIZE__
constexpr int kRandomCases = 150;
#else
constexpr int kRandomCases = 20;
#endif
constexpr int kSamplesPerCase = 6;

struct Case {
    Timbre timbre;
    std::vector<float> ratios;
    float x_min = 1.0f;
    double step = 0.005;
};

// A partial list as a document keeps it, moved to each x in turn.
struct PartialList {
    explicit PartialList(const Case& c)
        : c(c),
          count(number_of_partials(c.timbre, static_cast<int32_t>(c.ratios.size()))),
          partials(count),
          amplitudes(count) {
        build_partials(c.timbre, c.ratios, partials.data(), amplitudes.data());
    }
    void move_to(float x) {
        move_sweep_tone(c.timbre, static_cast<int32_t>(c.ratios.size()), x, partials.data());
    }
    PartialListView view() const {
        return {partials.data(), amplitudes.data(), count, count - partials_per_tone(c.timbre)};
    }
    const Case& c;
    int32_t count;
    std::vector<float> partials, amplitudes;
};

// The literal sum's own terms (32-bit, in its order) accumulated in 64 bits: the pair sum
// without the rounding of a long float accumulation.
double reference_sum(const PartialListView& list) {
    double y = 0.0;
    for (int32_t i = 0; i < list.count; ++i)
        for (int32_t j = 0; j < list.count; ++j) {
            const float* p = list.partials;
            const float m = std::min(p[i], p[j]);
            const float s = (0.24f / (0.021f * m + 19.0f)) * std::fabs(p[j] - p[i]);
            y += static_cast<double>(list.amplitudes[i] * list.amplitudes[j]) *
                 static_cast<double>(std::exp(-3.5f * s) - std::exp(-5.75f * s));
        }
    return y;
}

struct Curve {
    std::vector<double> y;
    double max_skip_bound = 0.0;
    double peak() const { return *std::max_element(y.begin(), y.end()); }
};

template <typename Sum>
Curve sample(const Case& c, DissonanceKernel& kernel, Sum sum) {
    PartialList list(c);
    kernel.reserve(list.count);
    kernel.begin_run(list.view());
    Curve curve;
    float x = c.x_min;
    for (int i = 0; i < kSamplesPerCase; ++i, x = next_sample_x(x, c.step)) {
        list.move_to(x);
        curve.y.push_back(sum(list.view()));
    }
    return curve;
}

Curve sample_kernel(const Case& c, DissonanceKernel& kernel) {
    return sample(c, kernel, [&](const PartialListView& v) { return kernel.sum(v); });
}

Curve sample_fast(const Case& c, FastKernel& kernel) {
    Curve curve;
    curve = sample(c, kernel, [&](const PartialListView& v) {
        const float y = kernel.sum(v);
        curve.max_skip_bound = std::max(curve.max_skip_bound, kernel.skip_bound());
        return y;
    });
    return curve;
}

// Every instruction set this processor runs.
std::vector<KernelInstructions> instruction_sets() {
    std::vector<KernelInstructions> sets{KernelInstructions::Portable};
    const KernelInstructions best = best_kernel_instructions();
    if (best != KernelInstructions::Portable) sets.push_back(KernelInstructions::Avx2);
    if (best == KernelInstructions::Avx512) sets.push_back(KernelInstructions::Avx512);
    return sets;
}

Case random_case(std::mt19937& rng) {
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    Case c;
    c.timbre.overtone_type = std::uniform_int_distribution<int32_t>(0, 5)(rng);
    c.timbre.number_of_overtones = std::uniform_int_distribution<int32_t>(1, 64)(rng);
    c.timbre.base_frequency = 20.0 * std::pow(250.0, uniform(0.0, 1.0));  // 20 Hz to 5 kHz
    const int fixed = std::uniform_int_distribution<int>(0, kMaxDissonanceRatios)(rng);
    for (int i = 0; i < fixed; ++i) c.ratios.push_back(static_cast<float>(uniform(1.0, 2.0)));
    c.x_min = static_cast<float>(uniform(0.5, 3.5));
    c.step = static_cast<float>(uniform(0.001, 0.2));
    return c;
}

std::string describe(const Case& c) {
    return "type " + std::to_string(c.timbre.overtone_type) + ", " +
           std::to_string(c.timbre.number_of_overtones) + " overtones, base " +
           std::to_string(c.timbre.base_frequency) + " Hz, " + std::to_string(c.ratios.size()) +
           " fixed tones, x from " + std::to_string(c.x_min) + " step " + std::to_string(c.step);
}

// Every timbre type, 0-10 fixed tones, 1-64 overtones, bases from 20 Hz to 5 kHz, random x.
// Against the exact order-free sum the fast kernel must stay within 2e-6 of the curve's
// maximum (plus what it reports it may have skipped, which is itself below 1e-6 of the
// maximum unless the whole curve is a few hundred orders below 1). Against the literal sum
// it must stay within 1e-5 of the maximum plus the literal sum's own accumulation error,
// which for lists of several hundred partials alone exceeds 1e-5 of the maximum.
TEST(FastKernel, FollowsTheLiteralCurveOverSeededRandomDocuments) {
    std::mt19937 rng(20260517);
    LiteralKernel literal;
    for (int n = 0; n < kRandomCases; ++n) {
        const Case c = random_case(rng);
        SCOPED_TRACE(describe(c));
        const Curve literal_curve = sample_kernel(c, literal);
        const Curve reference = sample(c, literal, reference_sum);
        const double peak = reference.peak();
        for (const KernelInstructions set : instruction_sets()) {
            FastKernel fast(set);
            const Curve fast_curve = sample_fast(c, fast);
            for (int i = 0; i < kSamplesPerCase; ++i) {
                const double literal_error = std::fabs(literal_curve.y[i] - reference.y[i]);
                ASSERT_NEAR(fast_curve.y[i], reference.y[i],
                            2e-6 * peak + fast_curve.max_skip_bound)
                    << "sample " << i;
                ASSERT_NEAR(fast_curve.y[i], literal_curve.y[i],
                            1e-5 * peak + literal_error + fast_curve.max_skip_bound)
                    << "sample " << i;
            }
        }
    }
}

// Left-out pairs: the curve with the cutoff differs from the curve with the largest cutoff
// by no more than the bound the kernel reports, and that bound is the promised fraction of
// the curve. Cases where pairs are far apart: high bases, few and many overtones, x far
// from the fixed tones.
TEST(FastKernel, PairsLeftOutAddLessThanTheReportedBound) {
    const std::vector<Case> cases{
        {{FlatHarmonics, 64, 5000.0}, {1.0f, 1.5f}, 1.0f, 0.05},
        {{GeometricHarmonics, 25, 440.0}, kernel_benchmark_cases()[1].dissonance_ratios, 1.0f, 0.5},
        {{InverseHarmonics, 3, 3000.0}, {1.0f}, 2.5f, 0.1},
        {{PureTone, 1, 5000.0}, {1.0f, 1.2f}, 2.0f, 0.3},
        {{OddHarmonics, 40, 60.0}, {1.0f, 1.25f, 1.5f}, 0.5f, 0.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(describe(c));
        for (const KernelInstructions set : instruction_sets()) {
            FastKernel with_cutoff(set);
            FastKernel widest(set, 0.0);
            const Curve cut = sample_fast(c, with_cutoff);
            const Curve full = sample_kernel(c, widest);
            const double peak = full.peak();
            EXPECT_LE(cut.max_skip_bound, FastKernel::kRelativeSkipTolerance * peak + 1e-25);
            for (int i = 0; i < kSamplesPerCase; ++i)
                EXPECT_NEAR(cut.y[i], full.y[i], cut.max_skip_bound + 2e-7 * peak) << i;
        }
    }
}

TEST(FastKernel, PortableAndVectorInstructionsGiveTheSameCurve) {
    const auto sets = instruction_sets();
    if (sets.size() == 1) GTEST_SKIP() << "this processor has no AVX2";
    const Case c{{ShapedHarmonics, 30, 220.0}, {1.0f, 1.2f, 1.5f}, 1.0f, 0.013};
    FastKernel portable(KernelInstructions::Portable);
    const Curve expected = sample_fast(c, portable);
    for (const KernelInstructions set : sets) {
        FastKernel vector(set);
        const Curve got = sample_fast(c, vector);
        for (int i = 0; i < kSamplesPerCase; ++i)
            EXPECT_NEAR(got.y[i], expected.y[i], 1e-6 * expected.peak()) << i;
    }
}

// The kernel plans its pairs for a stretch of samples while the sweep tone moves one way in
// small steps; a tone that turns back, jumps, or crawls must be summed just as exactly.
TEST(FastKernel, FollowsASweepToneThatTurnsBackAndJumps) {
    const Case c{{GeometricHarmonics, 25, 440.0}, {1.0f, 1.25f}, 1.0f, 0.005};
    std::vector<float> xs;
    for (float x = 1.0f; x < 1.3f; x += 0.005f) xs.push_back(x);              // up, the usual way
    for (float x = 1.3f; x > 1.1f; x -= 0.004f) xs.push_back(x);              // back down
    for (float x : {2.5f, 0.6f, 1.7f, 1.7001f, 1.7f, 3.9f}) xs.push_back(x);  // jumps
    for (float x = 0.5f; x < 0.52f; x += 0.0001f) xs.push_back(x);            // a crawl
    PartialList list(c);
    for (const KernelInstructions set : instruction_sets()) {
        FastKernel fast(set);
        fast.reserve(list.count);
        fast.begin_run(list.view());
        std::vector<double> got, expected;
        double tolerance = 0.0;
        for (const float x : xs) {
            list.move_to(x);
            got.push_back(fast.sum(list.view()));
            expected.push_back(reference_sum(list.view()));
            tolerance = std::max(tolerance, fast.skip_bound());
        }
        tolerance += 2e-6 * *std::max_element(expected.begin(), expected.end());
        for (size_t i = 0; i < xs.size(); ++i)
            ASSERT_NEAR(got[i], expected[i], tolerance) << "x " << xs[i];
    }
}

// Equal bit for bit, NaN included.
bool same_float(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Lists the ranges and the sorting cannot take are summed literally, bit for bit; lists
// larger than reserved are never written into the kernel's buffers.
TEST(FastKernel, HandsUnusualListsToTheLiteralSum) {
    const Case c{{GeometricHarmonics, 8, 440.0}, {1.0f, 1.5f}, -0.5f, 0.2};
    PartialList list(c);
    FastKernel fast;
    fast.reserve(list.count);
    fast.begin_run(list.view());
    list.move_to(-0.5f);  // a typed x bound below 0 puts the sweep tone at negative hertz
    EXPECT_TRUE(
        same_float(fast.sum(list.view()),
                   pair_sum_literal(list.partials.data(), list.amplitudes.data(), list.count)));

    FastKernel too_small;
    too_small.reserve(list.count - 1);
    too_small.begin_run(list.view());
    list.move_to(1.25f);
    EXPECT_EQ(too_small.sum(list.view()),
              pair_sum_literal(list.partials.data(), list.amplitudes.data(), list.count));

    list.partials[0] = NAN;
    FastKernel with_nan;
    with_nan.reserve(list.count);
    with_nan.begin_run(list.view());
    EXPECT_TRUE(std::isnan(with_nan.sum(list.view())));
}

TEST(FastKernel, SilentAndUnisonListsHaveNoDissonance) {
    FastKernel fast;
    fast.reserve(4);
    const std::vector<float> unison{440.0f, 440.0f, 440.0f};
    const std::vector<float> loud{1.0f, 0.5f, 0.25f};
    fast.begin_run({unison.data(), loud.data(), 3, 2});
    EXPECT_EQ(fast.sum({unison.data(), loud.data(), 3, 2}), 0.0f);
    const std::vector<float> spread{300.0f, 320.0f, 455.0f};
    const std::vector<float> silent{0.0f, 0.0f, 0.0f};
    fast.begin_run({spread.data(), silent.data(), 3, 2});
    EXPECT_EQ(fast.sum({spread.data(), silent.data(), 3, 2}), 0.0f);
}

// A sweep tone whose partials do not arrive ascending (not one a document builds) is
// sorted, not mis-summed.
TEST(FastKernel, SortsASweepToneGivenOutOfOrder) {
    const std::vector<float> p{440.0f, 880.0f, 700.0f, 460.0f, 1320.0f};
    const std::vector<float> a{1.0f, 0.5f, 0.8f, 0.9f, 0.3f};
    FastKernel fast;
    fast.reserve(5);
    fast.begin_run({p.data(), a.data(), 5, 2});
    const float y = fast.sum({p.data(), a.data(), 5, 2});
    EXPECT_NEAR(y, pair_sum_literal(p.data(), a.data(), 5), 1e-6f);
}

// The largest lists a document can hold (kMaxOvertones harmonics on every tone) stay in the
// buffers reserve() sized.
TEST(FastKernel, HandlesTheLargestPartialLists) {
    const Case c{{FlatHarmonics, kMaxOvertones, 100.0},
                 std::vector<float>(kMaxDissonanceRatios, 1.3f),
                 1.0f,
                 0.37};
    PartialList list(c);
    FastKernel fast;
    fast.reserve(kMaxTones * kMaxOvertones);
    fast.begin_run(list.view());
    list.move_to(1.1f);
    const double expected = reference_sum(list.view());
    EXPECT_NEAR(fast.sum(list.view()), expected, 2e-6 * expected + fast.skip_bound());
}

TEST(KernelBenchmarkCases, AreTheDocumentsTheirNamesSay) {
    const auto& cases = kernel_benchmark_cases();
    ASSERT_EQ(cases.size(), 2u);
    const BenchmarkCurve fast_default(cases[0], make_default_kernel());
    EXPECT_EQ(cases[0].name, "default");
    EXPECT_EQ(fast_default.number_of_partials(), 50);
    EXPECT_EQ(fast_default.number_of_points(), 201);
    const BenchmarkCurve fast_worst(cases[1], make_default_kernel());
    EXPECT_EQ(cases[1].name, "worst");
    EXPECT_EQ(fast_worst.number_of_partials(), 275);
    EXPECT_EQ(fast_worst.number_of_points(), 600);
}

}  // namespace
}  // namespace kelvara
