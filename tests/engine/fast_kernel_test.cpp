// The fast kernel against the exact pair sum: seeded random documents, a table of documents
// at the edges (far-apart pairs, a sweep tone that turns back and jumps, the largest lists),
// the bound on the pairs it leaves out, and the lists it must hand to the literal sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/dissonance_kernel.h"
#include "engine/engine_limits.h"
#include "engine/fast_dissonance_kernel.h"
#include "engine/partials.h"

namespace kelvara {
namespace {

// Unoptimised (sanitizer) builds run the exact sum many times slower: fewer cases there.
#ifdef __OPTIMIZE__
constexpr int kRandomCases = 150;
#else
constexpr int kRandomCases = 20;
#endif

struct Case {
    Timbre timbre;
    std::vector<float> ratios;
    std::vector<float> xs;  // where the sweep tone is, in the order the kernel sums
    RoughnessModel model = RoughnessModel::Product;
};

// `count` sampling positions from x_min, as the sampling loop steps.
std::vector<float> sweep(float x_min, double step, int count = 6) {
    std::vector<float> xs{x_min};
    while (static_cast<int>(xs.size()) < count) xs.push_back(next_sample_x(xs.back(), step));
    return xs;
}

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
        return {partials.data(), amplitudes.data(), count, count - partials_per_tone(c.timbre),
                c.model};
    }
    float literal() const {
        return pair_sum_literal(partials.data(), amplitudes.data(), count, c.model);
    }
    const Case& c;
    int32_t count;
    std::vector<float> partials, amplitudes;
};

// The literal sum's own terms (32-bit, in its order) accumulated in 64 bits: the pair sum
// without the rounding of a long float accumulation.
double exact_sum(const PartialListView& list) {
    double y = 0.0;
    for (int32_t i = 0; i < list.count; ++i)
        for (int32_t j = 0; j < list.count; ++j) {
            const float* p = list.partials;
            const float m = std::min(p[i], p[j]);
            const float s = (0.24f / (0.021f * m + 19.0f)) * std::fabs(p[j] - p[i]);
            y += static_cast<double>(
                     pair_weight(list.amplitudes[i], list.amplitudes[j], list.model)) *
                 static_cast<double>(std::exp(-3.5f * s) - std::exp(-5.75f * s));
        }
    return y;
}

// Every instruction set this processor runs.
std::vector<KernelInstructions> instruction_sets() {
    std::vector<KernelInstructions> sets{KernelInstructions::Portable};
    const KernelInstructions best = best_kernel_instructions();
    if (best != KernelInstructions::Portable) sets.push_back(KernelInstructions::Avx2);
    if (best == KernelInstructions::Avx512) sets.push_back(KernelInstructions::Avx512);
    return sets;
}

// With every instruction set, the fast kernel's curve stays within 2e-6 of the curve's
// maximum of the exact sum, plus what it reports it may have left out; and that report is
// itself within the promised fraction of the maximum (unless the whole curve is a few hundred
// orders below 1).
void expect_exact_curve(const Case& c) {
    PartialList list(c);
    std::vector<double> exact;
    for (const float x : c.xs) {
        list.move_to(x);
        exact.push_back(exact_sum(list.view()));
    }
    const double peak = *std::max_element(exact.begin(), exact.end());
    for (const KernelInstructions set : instruction_sets()) {
        FastKernel fast(set);
        fast.reserve(list.count);
        fast.begin_run(list.view());
        std::vector<double> got;
        double skip_bound = 0.0;
        for (const float x : c.xs) {
            list.move_to(x);
            got.push_back(fast.sum(list.view()));
            skip_bound = std::max(skip_bound, fast.skip_bound());
        }
        // (The kernel measures the maximum on its own 32-bit sums.)
        ASSERT_LE(skip_bound, FastKernel::kRelativeSkipTolerance * peak * (1 + 1e-5) + 1e-25);
        for (size_t i = 0; i < c.xs.size(); ++i)
            ASSERT_NEAR(got[i], exact[i], 2e-6 * peak + skip_bound) << "x " << c.xs[i];
    }
}

// Every timbre type (a quarter of them custom lists of 1-40 inharmonic partials, silent ones
// among them), 0-10 fixed tones, 1-64 overtones, bases from 20 Hz to 5 kHz, random x, either
// roughness model.
TEST(FastKernel, FollowsTheExactCurveOverSeededRandomDocuments) {
    std::mt19937 rng(20260517);
    const auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    // The custom timbres and the models draw from a generator of their own, so that the
    // parametric documents stay the ones checked before these were added.
    std::mt19937 own_rng(20260518);
    const auto own_uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(own_rng);
    };
    for (int n = 0; n < kRandomCases; ++n) {
        Case c;
        c.timbre.overtone_type = std::uniform_int_distribution<int32_t>(0, 5)(rng);
        c.timbre.number_of_overtones = std::uniform_int_distribution<int32_t>(1, 64)(rng);
        c.timbre.base_frequency = 20.0 * std::pow(250.0, uniform(0.0, 1.0));
        if (own_uniform(0.0, 1.0) < 0.25) {
            c.timbre.overtone_type = CustomPartials;
            c.timbre.custom_partials.resize(std::uniform_int_distribution<size_t>(1, 40)(own_rng));
            for (Partial& p : c.timbre.custom_partials)
                p = {own_uniform(0.3, 12.0),
                     own_uniform(0.0, 1.0) < 0.1 ? 0.0 : own_uniform(0.0, 2.0)};
            c.timbre.number_of_overtones = static_cast<int32_t>(c.timbre.custom_partials.size());
        }
        c.model = own_uniform(0.0, 1.0) < 0.5 ? RoughnessModel::Product : RoughnessModel::Minimum;
        const int fixed = std::uniform_int_distribution<int>(0, kMaxDissonanceRatios)(rng);
        for (int i = 0; i < fixed; ++i) c.ratios.push_back(static_cast<float>(uniform(1.0, 2.0)));
        const auto x_min = static_cast<float>(uniform(0.5, 3.5));
        c.xs = sweep(x_min, static_cast<float>(uniform(0.001, 0.2)));
        SCOPED_TRACE("random document " + std::to_string(n));
        expect_exact_curve(c);
    }
}

// Pairs far apart (high bases, few and many overtones, x far from the fixed tones), a sweep
// tone that turns back, jumps and crawls (the kernel plans its pairs for a stretch of samples
// moving one way), and the largest lists a document can hold.
TEST(FastKernel, FollowsTheExactCurveAtTheEdges) {
    std::vector<float> wandering = sweep(1.0f, 0.005, 60);               // up, the usual way
    for (float x = 1.3f; x > 1.1f; x -= 0.004f) wandering.push_back(x);  // back down
    for (float x : {2.5f, 0.6f, 1.7f, 1.7001f, 1.7f, 3.9f}) wandering.push_back(x);  // jumps
    for (float x = 0.5f; x < 0.52f; x += 0.0001f) wandering.push_back(x);            // a crawl
    const std::vector<Case> cases{
        {{FlatHarmonics, 64, 5000.0}, {1.0f, 1.5f}, sweep(1.0f, 0.05)},
        {{GeometricHarmonics, 25, 440.0}, {1.0f, 1.25f}, wandering},
        {{FlatHarmonics, kMaxOvertones, 100.0},
         std::vector<float>(kMaxDissonanceRatios, 1.3f),
         {1.1f}},
        // Under the minimum: amplitudes far apart (the weight is the softer's, far above the
        // product's), a sweep tone that wanders.
        {{CustomPartials, 4, 440.0, {{1.0, 1000.0}, {1.5, 1e-3}, {2.7, 1.0}, {0.5, 0.0}}},
         {1.0f, 1.2f},
         sweep(0.8f, 0.1, 20),
         RoughnessModel::Minimum},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        expect_exact_curve(cases[i]);
    }
}

// Equal bit for bit, NaN included.
bool same_float(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Lists the ranges and the sorting cannot take are summed literally, bit for bit: a sweep
// tone at negative hertz (a typed x bound below 0), a NaN, a list larger than reserved (never
// written into the kernel's buffers). A silent list has no dissonance, and a sweep
// tone whose partials do not arrive ascending is sorted, not mis-summed.
TEST(FastKernel, HandlesUnusualLists) {
    for (const auto& [x, nan, reserved, model] :
         std::vector<std::tuple<float, bool, int, RoughnessModel>>{
             {-0.5f, false, 0, RoughnessModel::Product},
             {1.25f, true, 0, RoughnessModel::Product},
             {1.25f, false, -1, RoughnessModel::Minimum}}) {
        const Case c{{GeometricHarmonics, 8, 440.0}, {1.0f, 1.5f}, {}, model};
        PartialList list(c);
        list.move_to(x);
        if (nan) list.partials[0] = NAN;
        FastKernel fast;
        fast.reserve(list.count + reserved);
        fast.begin_run(list.view());
        EXPECT_TRUE(same_float(fast.sum(list.view()), list.literal())) << x << nan << reserved;
    }
    const std::vector<float> spread{300.0f, 320.0f, 455.0f}, silent{0.0f, 0.0f, 0.0f};
    const std::vector<float> unsorted{440.0f, 880.0f, 700.0f, 460.0f, 1320.0f};
    const std::vector<float> some{1.0f, 0.5f, 0.8f, 0.9f, 0.3f};
    for (const auto& [p, a] : std::vector<std::pair<std::vector<float>, std::vector<float>>>{
             {spread, silent}, {unsorted, some}})
        for (const RoughnessModel model : {RoughnessModel::Product, RoughnessModel::Minimum}) {
            const PartialListView view{p.data(), a.data(), static_cast<int32_t>(p.size()), 2,
                                       model};
            FastKernel fast;
            fast.reserve(view.count);
            fast.begin_run(view);
            EXPECT_NEAR(fast.sum(view), pair_sum_literal(p.data(), a.data(), view.count, model),
                        1e-6f);
        }
}

}  // namespace
}  // namespace kelvara
