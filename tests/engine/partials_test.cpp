// The partial list: the amplitudes of every timbre type with their exact 32-bit roundings,
// and where each tone's partials go.
#include <gtest/gtest.h>

#include <vector>

#include "engine/partials.h"

namespace kelvara {
namespace {

std::vector<float> amplitudes_of(int32_t type, size_t count) {
    std::vector<float> out(count);
    harmonic_amplitudes(type, out);
    return out;
}

TEST(Partials, AmplitudesOfEveryTypeWithTheirExact32BitRoundings) {
    EXPECT_EQ(amplitudes_of(PureTone, 1), std::vector<float>{1.0f});
    EXPECT_EQ(amplitudes_of(FlatHarmonics, 3), (std::vector<float>{0.25f, 0.25f, 0.25f}));
    EXPECT_EQ(amplitudes_of(OddHarmonics, 5),
              (std::vector<float>{1.0f, 0.0f, 1.0f / 3.0f, 0.0f, 1.0f / 5.0f}));
    EXPECT_EQ(amplitudes_of(InverseHarmonics, 4),
              (std::vector<float>{1.0f, 0.5f, 1.0f / 3.0f, 0.25f}));
    // The shaped chain is narrowed at every step.
    EXPECT_EQ(amplitudes_of(ShapedHarmonics, 8),
              (std::vector<float>{0.75f, 0.9f, 0.75f, 0.9f, 0.75f, 0.67499995f, 0.67499995f * 0.9f,
                                  (0.67499995f * 0.9f) * 0.9f}));
    // The geometric chain is a 64-bit product narrowed at each step (a 32-bit product drifts).
    const auto geometric = amplitudes_of(GeometricHarmonics, 30);
    float expected = 1.0f;
    for (size_t k = 0; k < geometric.size(); ++k) {
        EXPECT_EQ(geometric[k], expected) << "harmonic " << k + 1;
        expected = static_cast<float>(static_cast<double>(expected) * 0.92);
    }
}

// Fixed tones first (base × ratio formed in 64 bits and narrowed), then the sweep tone moved
// to x, each tone with the amplitudes of its type. A pure tone is one entry per tone whatever
// the overtone count; a type outside 0 to 5 writes nothing.
TEST(Partials, FixedTonesThenTheSweepTone) {
    const float narrowed = static_cast<float>(261.63 * static_cast<double>(1.0001f));
    struct Case {
        Timbre timbre;
        std::vector<float> ratios;
        float x;
        std::vector<float> partials;
    };
    const std::vector<Case> cases = {
        {{PureTone, 25, 440.0}, {1.0f, 1.25f, 1.5f}, 1.5f, {440, 550, 660, 660}},
        {{GeometricHarmonics, 3, 440.0}, {1.0f}, 2.0f, {440, 880, 1320, 880, 1760, 2640}},
        {{FlatHarmonics, 2, 261.63},
         {1.0001f},
         1.0f,
         {narrowed, narrowed * 2, 261.63f, 261.63f * 2}},
        {{9, 2, 440.0}, {1.0f}, 1.0f, {7, 7, 7, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timbre.overtone_type);
        const auto fixed = static_cast<int32_t>(c.ratios.size());
        ASSERT_EQ(number_of_partials(c.timbre, fixed), static_cast<int32_t>(c.partials.size()));
        std::vector<float> p(c.partials.size(), 7.0f), a(c.partials.size(), 7.0f);
        build_partials(c.timbre, c.ratios, p.data(), a.data());
        if (c.timbre.overtone_type > 5) {
            EXPECT_EQ(p, a) << "nothing written";
            continue;
        }
        move_sweep_tone(c.timbre, fixed, c.x, p.data());
        EXPECT_EQ(p, c.partials);
        const auto per_tone = static_cast<size_t>(partials_per_tone(c.timbre));
        const auto tone = amplitudes_of(c.timbre.overtone_type, per_tone);
        for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i], tone[i % per_tone]) << i;
    }
}

}  // namespace
}  // namespace kelvara
