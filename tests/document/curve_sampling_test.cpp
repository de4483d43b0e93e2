#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "document/document.h"
#include "engine/dissonance_kernel.h"
#include "engine/partials.h"

namespace kelvara {
namespace {

// The literal algorithm, written out again from the definition so that the document is
// checked against something other than its own code path.
std::vector<float> literal_curve(const Document& doc) {
    const Timbre timbre = doc.curve().timbre();
    const auto& ratios = doc.tables().fixed_tones();
    const auto fixed = static_cast<int32_t>(ratios.size());
    const int32_t count = number_of_partials(timbre, fixed);
    std::vector<float> p(count), a(count), ys;
    build_partials(timbre, ratios, p.data(), a.data());
    for (float x = doc.curve().x_min(); x <= doc.curve().x_max();
         x = static_cast<float>(static_cast<double>(x) + doc.curve().step_size())) {
        const auto f = static_cast<float>(static_cast<double>(x) * timbre.base_frequency);
        const int32_t per_tone = partials_per_tone(timbre);
        for (int32_t k = 1; k <= per_tone; ++k) p[fixed * per_tone + k - 1] = f * float(k);
        float y = 0.0f;
        for (int32_t i = 0; i < count; ++i)
            for (int32_t j = 0; j < count; ++j) {
                const float m = std::min(p[i], p[j]);
                const float s = (0.24f / (0.021f * m + 19.0f)) * std::fabs(p[j] - p[i]);
                y = y + a[i] * a[j] * (std::exp(-3.5f * s) - std::exp(-5.75f * s));
            }
        ys.push_back(y);
    }
    return ys;
}

TEST(CurveSampling, NewDocumentHolds201SamplesFromOneToJustUnderTwo) {
    Document doc;
    EXPECT_EQ(doc.curve().number_of_points(), 0) << "construction samples nothing";
    doc.show_all();
    ASSERT_EQ(doc.curve().number_of_points(), 201);
    EXPECT_EQ(doc.curve().max_number_of_points(), 602);
    EXPECT_EQ(doc.curve().x_values()[0], 1.0f);
    EXPECT_LT(doc.curve().x_values()[200], 2.0f);
    EXPECT_GT(doc.curve().x_values()[200], 1.99f);
    for (int i = 201; i < 601; ++i) {
        ASSERT_EQ(doc.curve().x_values()[i], 0.0f) << i;
        ASSERT_EQ(doc.curve().y_values()[i], 0.0f) << i;
    }
}

TEST(CurveSampling, XAccumulatesTheStepIn64BitsFromThePreviousStoredX) {
    Document doc;
    doc.show_all();
    for (int i = 1; i < doc.curve().number_of_points(); ++i)
        ASSERT_EQ(
            doc.curve().x_values()[i],
            static_cast<float>(double(doc.curve().x_values()[i - 1]) + doc.curve().step_size()));
}

TEST(CurveSampling, LiteralKernelMatchesTheDefinitionBitForBit) {
    Document doc;
    doc.set_kernel(std::make_unique<LiteralKernel>());
    const std::array<float, 2> ratios{1.0f, 1.5f};
    doc.set_fixed_tones(ratios);
    doc.set_overtone_type(OddHarmonics);
    doc.set_number_of_overtones(7);
    const auto expected = literal_curve(doc);
    ASSERT_EQ(doc.curve().number_of_points(), static_cast<int32_t>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(doc.curve().y_values()[i], expected[i]) << i;
}

TEST(CurveSampling, DefaultKernelFollowsTheLiteralCurve) {
    Document doc;
    doc.show_all();
    const auto expected = literal_curve(doc);
    const float peak = *std::max_element(expected.begin(), expected.end());
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR(doc.curve().y_values()[i], expected[i], 1e-5f * peak) << i;
}

TEST(PairSum, TwoPureTonesFollowThePlompLeveltCurve) {
    const std::array<float, 2> a{1.0f, 1.0f};
    const auto y_at = [&](float x) {
        const std::array<float, 2> p{440.0f, static_cast<float>(440.0 * x)};
        return pair_sum_literal(p.data(), a.data(), 2);
    };
    EXPECT_EQ(y_at(1.0f), 0.0f);
    EXPECT_NEAR(y_at(1.05f), 0.3570f, 5e-5f);
    EXPECT_NEAR(y_at(1.5f), 0.002835f, 5e-7f);
}

TEST(PairSum, OrderedPairsCountTwiceAndAmplitudesMultiply) {
    const std::array<float, 3> p{300.0f, 320.0f, 455.0f};
    const std::array<float, 3> a{1.0f, 0.5f, 0.25f};
    const std::array<float, 3> doubled{2.0f, 1.0f, 0.5f};
    const float y = pair_sum_literal(p.data(), a.data(), 3);
    EXPECT_NEAR(pair_sum_literal(p.data(), doubled.data(), 3), 4.0f * y, 1e-6f);
    float unordered = 0.0f;
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) {
            const float s = 0.24f / (0.021f * p[i] + 19.0f) * (p[j] - p[i]);
            unordered += a[i] * a[j] * (std::exp(-3.5f * s) - std::exp(-5.75f * s));
        }
    EXPECT_NEAR(y, 2.0f * unordered, 1e-6f);
    EXPECT_EQ(pair_sum_literal(p.data(), a.data(), 0), 0.0f);
}

TEST(CurveSampling, RangeEdgeCases) {
    Document doc;
    doc.show_all();
    // A range narrower than the step gives one sample; an empty one is refused.
    doc.set_bound(BoundField::XMax, 1.001f);
    EXPECT_EQ(doc.curve().number_of_points(), 1);
    doc.set_bound(BoundField::XMax, 1.0f);
    doc.set_bound(BoundField::XMin, 1.5f);
    EXPECT_EQ(doc.curve().x_min(), 1.0f);
    EXPECT_EQ(doc.curve().x_max(), 1.001f);
    EXPECT_EQ(doc.curve().number_of_points(), 1);
}

TEST(CurveSampling, OnePartialAloneHasNoDissonance) {
    Document doc;
    doc.set_overtone_type(PureTone);
    doc.set_fixed_tones({});
    ASSERT_EQ(doc.curve().number_of_partials(), 1);
    for (int i = 0; i < doc.curve().number_of_points(); ++i)
        ASSERT_EQ(doc.curve().y_values()[i], 0.0f);
}

}  // namespace
}  // namespace kelvara
