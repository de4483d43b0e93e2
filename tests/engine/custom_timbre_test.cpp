// A timbre of one's own through the engine: a custom list equal to a parametric type's
// partials gives that type's curve bit for bit (sampled and exact, under both roughness
// models), and the parametric type that stands in for a list in files. (Cusp minima of
// inharmonic lists: the bell of curve_minima_test.cpp; the float curve of custom lists
// against the exact one: exact_curve_test.cpp.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/curve_sampling.h"
#include "engine/dissonance_kernel.h"
#include "engine/engine_limits.h"
#include "engine/exact_curve.h"
#include "engine/partials.h"

namespace kelvara {
namespace {

Timbre custom(std::vector<Partial> partials, double base_hz = 440.0) {
    const auto count = static_cast<int32_t>(partials.size());
    return Timbre{CustomPartials, count, base_hz, std::move(partials)};
}

// The y values of one sampling run, with the kernel documents use.
std::vector<float> sampled_y(const Timbre& timbre, const std::vector<float>& ratios,
                             RoughnessModel model) {
    const auto kernel = make_default_kernel();
    const size_t partials = partial_capacity(partials_per_tone(timbre));
    kernel->reserve(static_cast<int32_t>(partials));
    std::vector<float> x(700), y(700), p(partials), a(partials);
    const SampledCurve run =
        sample_curve({timbre, ratios, 0.9f, 3.9f, 0.005, model}, *kernel, {x, y, p, a});
    y.resize(static_cast<size_t>(run.number_of_points));
    return y;
}

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(CustomTimbre, AListEqualToAParametricTypesPartialsGivesItsCurveBitForBit) {
    struct Row {
        Timbre parametric;
        std::vector<float> ratios;
    };
    const std::vector<Row> table{
        {{GeometricHarmonics, 25, 440.0}, {1.0f}},
        {{OddHarmonics, 12, 55.0}, {1.0f, 1.2f}},  // silent even harmonics kept in the list
        {{FlatHarmonics, kMaxOvertones, 100.0}, std::vector<float>(kMaxDissonanceRatios, 1.3f)},
    };
    for (const Row& row : table) {
        const Timbre own = custom(
            harmonic_partials(row.parametric.overtone_type, partials_per_tone(row.parametric)),
            row.parametric.base_frequency);
        for (const RoughnessModel model : {RoughnessModel::Product, RoughnessModel::Minimum}) {
            SCOPED_TRACE("type " + std::to_string(row.parametric.overtone_type) + ", " +
                         std::string(roughness_model_name(model)));
            const std::vector<float> expected = sampled_y(row.parametric, row.ratios, model);
            ASSERT_GT(expected.size(), 500u);
            EXPECT_TRUE(same_bits(sampled_y(own, row.ratios, model), expected));
            const auto exact_parametric =
                ExactCurve::create(document_curve_definition(row.parametric, row.ratios, model));
            const auto exact_own =
                ExactCurve::create(document_curve_definition(own, row.ratios, model));
            for (const double x : {1.0, 1.2, 1.2345, 1.5, 2.0, 3.3})
                EXPECT_EQ(exact_own->at(x).value, exact_parametric->at(x).value) << x;
        }
    }
}

TEST(CustomTimbre, NearestParametricTypeByAmplitudeShape) {
    struct Row {
        std::vector<Partial> partials;
        int32_t nearest;
    };
    std::vector<Row> table;
    for (int32_t type = FlatHarmonics; type <= GeometricHarmonics; ++type)
        table.push_back({harmonic_partials(type, 25), type});
    table.push_back({{{1.0, 0.3}}, PureTone});
    table.push_back({{{1.0, 0.0}, {2.0, 0.0}}, PureTone});
    table.push_back({{{1.0, 1.0}, {2.0, 0.01}, {3.0, 0.0}}, PureTone});
    // A free bar's 1/n modes, shuffled: compared by ascending ratio with 1/k harmonics.
    table.push_back({{{5.404, 1.0 / 3}, {1.0, 1.0}, {2.756, 0.5}}, InverseHarmonics});
    // Louder overall, same shape.
    table.push_back({{{1.0, 400.0}, {2.0, 400.0}, {3.0, 400.0}}, FlatHarmonics});
    for (const Row& row : table)
        EXPECT_EQ(nearest_parametric_type(row.partials), row.nearest) << row.partials.size();
}

}  // namespace
}  // namespace kelvara
