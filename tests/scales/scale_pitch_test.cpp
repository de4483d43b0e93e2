// Pitches of tuning files: which stored floats are exact fractions (the smallest denominator
// up to 128), and that every other float finds cents that read back to it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <random>

#include "scales/scale_pitch.h"

namespace kelvara {
namespace {

TEST(ExactRatioOfStored, FindsTheSmallestDenominatorUpTo128) {
    const auto f = [](double value) { return static_cast<float>(value); };
    const struct {
        float value;
        std::optional<ExactRatio> expected;
    } cases[] = {
        {1.0f, ExactRatio{1, 1}},
        {f(16.0 / 15), ExactRatio{16, 15}},
        {f(1.0 / 3), ExactRatio{1, 3}},  // not 2/6
        {f(255.0 / 128), ExactRatio{255, 128}},
        {f(131.0 / 129), std::nullopt},              // denominator above 128
        {std::nextafter(1.5f, 2.0f), std::nullopt},  // one float step off 3/2
        {std::numeric_limits<float>::quiet_NaN(), std::nullopt},
        {1e30f, std::nullopt},  // an integer too large for a 64-bit numerator
    };
    for (const auto& c : cases) EXPECT_EQ(exact_ratio_of_stored(c.value), c.expected) << c.value;
}

TEST(PitchOfStoredRatio, ReadsBackToTheSameFloatAsAFractionOrAsCents) {
    std::mt19937 random(16);
    std::uniform_real_distribution<double> log2_ratio(-4.0, 4.0);
    for (int i = 0; i < 20000; ++i) {
        const auto value = static_cast<float>(std::exp2(log2_ratio(random)));
        const std::optional<ScalePitch> pitch = pitch_of_stored_ratio(value);
        ASSERT_TRUE(pitch && pitch->stored_ratio() == value) << value;
    }
    for (const float value : {std::numeric_limits<float>::denorm_min(), 1e-20f, 1e20f,
                              std::numeric_limits<float>::max()})
        EXPECT_EQ(pitch_of_stored_ratio(value)->stored_ratio(), value) << value;
    // A tempered semitone's float lies 100.00008005 cents up; five decimals name it.
    EXPECT_EQ(pitch_of_stored_ratio(static_cast<float>(std::exp2(1.0 / 12)))->given_cents(),
              100.00008);
    EXPECT_FALSE(pitch_of_stored_ratio(-1.0f));
}

}  // namespace
}  // namespace kelvara
