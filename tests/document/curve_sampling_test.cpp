// The curve a document samples, against the dissonance written out again from its definition,
// and the ranges fitted to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "document/document.h"
#include "engine/dissonance_kernel.h"
#include "engine/partials.h"
#include "engine/range_fit.h"

namespace kelvara {
namespace {

// The literal algorithm, written out again from the definition so that the document is
// checked against something other than its own code path: every ordered pair of partials.
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

TEST(CurveSampling, LiteralKernelMatchesTheDefinitionBitForBit) {
    Document doc;
    doc.curve_actions().set_kernel(std::make_unique<LiteralKernel>());
    const std::array<float, 2> ratios{1.0f, 1.5f};
    doc.table_actions().set_fixed_tones(ratios);
    doc.curve_actions().set_overtone_type(OddHarmonics);
    doc.curve_actions().set_number_of_overtones(7);
    const auto expected = literal_curve(doc);
    ASSERT_EQ(doc.curve().number_of_points(), static_cast<int32_t>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(doc.curve().y_values()[i], expected[i]) << i;
}

TEST(CurveSampling, RangeEdgeCases) {
    Document doc;
    doc.show_all();
    doc.curve_actions().set_bound(BoundField::XMax, std::nextafter(1.0f, 2.0f));
    EXPECT_EQ(doc.curve().number_of_points(), 1) << "a range narrower than a step: one sample";
}

TEST(RangeFit, MarginsFloorAndSlopeFromTheStoredXDifferences) {
    const std::array<float, 3> x{1.0f, 1.25f, 2.0f};
    const std::array<float, 3> y{0.7f, 0.3f, 1.5f};
    // 5 % of the maximum either side: a curve of any height fills the graph.
    EXPECT_FLOAT_EQ(fit_y_range(y.data(), 3).min, 0.3f - 0.075f);
    EXPECT_FLOAT_EQ(fit_y_range(y.data(), 3).max, 1.5f * 1.05f);
    const std::array<float, 2> low{0.04f, 1.0f};
    EXPECT_EQ(fit_y_range(low.data(), 2).min, 0.0f) << "never below zero";
    const std::array<float, 2> silent{0.0f, 0.0f};
    EXPECT_EQ(fit_y_range(silent.data(), 2).max, 1.0f)
        << "a silent curve gets a range all the same";
    const FloatRange dy = fit_slope_range(x.data(), y.data(), 3);
    EXPECT_FLOAT_EQ(dy.min, -1.6f - 0.1f);
    EXPECT_FLOAT_EQ(dy.max, 1.6f + 0.1f);
}

}  // namespace
}  // namespace kelvara
