#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "engine/curve_sampling.h"
#include "engine/partials.h"

namespace kelvara {
namespace {

std::vector<float> amplitudes_of(int32_t type, size_t count) {
    std::vector<float> out(count);
    harmonic_amplitudes(type, out);
    return out;
}

TEST(Partials, DefaultDocumentListsFixedToneThenSweepToneWithSameAmplitudes) {
    // A new document's curve: one fixed tone at 1, 25 geometric harmonics at 440 Hz.
    const float ratios[] = {1.0f};
    std::vector<float> xs(201), ys(201), p(partial_capacity(25)), a(partial_capacity(25));
    LiteralKernel kernel;
    const SampledCurve sampled =
        sample_curve({Timbre{}, ratios, 1.0f, 2.0f, 0.005}, kernel, {xs, ys, p, a});
    ASSERT_EQ(sampled.number_of_partials, 50);
    for (int k = 1; k <= 25; ++k) {
        EXPECT_EQ(p[k - 1], 440.0f * static_cast<float>(k));
        EXPECT_EQ(a[25 + k - 1], a[k - 1]) << "sweep tone amplitude of harmonic " << k;
    }
    EXPECT_EQ(a[0], 1.0f);
    EXPECT_EQ(a[1], 0.92f);
    EXPECT_FLOAT_EQ(a[2], 0.8464f);
}

TEST(Partials, AmplitudesOfEveryTypeWithTheirExact32BitRoundings) {
    EXPECT_EQ(amplitudes_of(PureTone, 1), std::vector<float>{1.0f});
    EXPECT_EQ(amplitudes_of(FlatHarmonics, 3), (std::vector<float>{0.25f, 0.25f, 0.25f}));
    EXPECT_EQ(amplitudes_of(OddHarmonics, 5),
              (std::vector<float>{1.0f, 0.0f, 1.0f / 3.0f, 0.0f, 1.0f / 5.0f}));
    EXPECT_EQ(amplitudes_of(InverseHarmonics, 4),
              (std::vector<float>{1.0f, 0.5f, 1.0f / 3.0f, 0.25f}));

    const auto shaped = amplitudes_of(ShapedHarmonics, 8);
    EXPECT_EQ(std::vector<float>(shaped.begin(), shaped.begin() + 5),
              (std::vector<float>{0.75f, 0.9f, 0.75f, 0.9f, 0.75f}));
    EXPECT_EQ(shaped[5], 0.67499995f);
    EXPECT_EQ(shaped[6], 0.67499995f * 0.9f);  // narrowed at every step
    EXPECT_EQ(shaped[7], (0.67499995f * 0.9f) * 0.9f);
    EXPECT_EQ(amplitudes_of(ShapedHarmonics, 3), (std::vector<float>{0.75f, 0.9f, 0.75f}));

    const auto geometric = amplitudes_of(GeometricHarmonics, 30);
    float expected = 1.0f;
    for (size_t k = 0; k < geometric.size(); ++k) {
        EXPECT_EQ(geometric[k], expected) << "harmonic " << k + 1;
        expected = static_cast<float>(static_cast<double>(expected) * 0.92);  // 64-bit product
    }
    // A product kept in 32 bits would drift from the 64-bit chain.
    EXPECT_NE(geometric[29], [] {
        float f = 1.0f;
        for (int i = 0; i < 29; ++i) f *= 0.92f;
        return f;
    }());
}

TEST(Partials, PureToneIsOneEntryPerToneWhateverTheOvertoneCount) {
    const Timbre timbre{PureTone, 25, 440.0};
    const std::array<float, 3> ratios{1.0f, 1.25f, 1.5f};
    EXPECT_EQ(number_of_partials(timbre, 3), 4);
    std::array<float, 4> p{}, a{};
    build_partials(timbre, ratios, p.data(), a.data());
    EXPECT_EQ(p, (std::array<float, 4>{440.0f, 550.0f, 660.0f, 0.0f}));
    EXPECT_EQ(a, (std::array<float, 4>{1.0f, 1.0f, 1.0f, 1.0f}));
    move_sweep_tone(timbre, 3, 1.5f, p.data());
    EXPECT_EQ(p[3], 660.0f);
}

TEST(Partials, EmptyRatioListHoldsOnlyTheSweepTone) {
    const Timbre timbre{InverseHarmonics, 4, 440.0};
    EXPECT_EQ(number_of_partials(timbre, 0), 4);
    std::array<float, 4> p{}, a{};
    build_partials(timbre, {}, p.data(), a.data());
    move_sweep_tone(timbre, 0, 1.5f, p.data());
    EXPECT_EQ(p, (std::array<float, 4>{660.0f, 1320.0f, 1980.0f, 2640.0f}));
}

TEST(Partials, FixedToneFrequencyIsBaseTimesRatioNarrowedFrom64Bits) {
    const Timbre timbre{FlatHarmonics, 2, 261.63f};
    const std::array<float, 1> ratios{1.0001f};
    std::array<float, 4> p{}, a{};
    build_partials(timbre, ratios, p.data(), a.data());
    const auto f = static_cast<float>(static_cast<double>(261.63f) * static_cast<double>(1.0001f));
    EXPECT_EQ(p[0], f);
    EXPECT_EQ(p[1], f * 2.0f);
}

TEST(Partials, UnknownTypeWritesNothing) {
    std::array<float, 4> p{7, 7, 7, 7}, a{7, 7, 7, 7};
    const std::array<float, 1> ratios{1.0f};
    build_partials(Timbre{9, 2, 440.0}, ratios, p.data(), a.data());
    EXPECT_EQ(p, (std::array<float, 4>{7, 7, 7, 7}));
}

}  // namespace
}  // namespace kelvara
