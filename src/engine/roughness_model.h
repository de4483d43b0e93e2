#pragma once
// How the roughness of a pair of partials is weighted by their amplitudes. Every curve
// (sampled or exact) sums the same Plomp–Levelt term over ordered pairs; the model only says
// what multiplies it:
// - Product: a_i · a_j, the louder pair roughest in proportion to both (a new document's);
// - Minimum: min(a_i, a_j), as much of the literature weighs it: a pair is as rough as its
//   softer partial allows.
// The two give visibly different curves for one timbre: with six harmonics of amplitude 1/k
// the curve has a valley at 6/5 under the product and none under the minimum.
//
// Plain values and pure functions: safe on any thread.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kelvara {

enum class RoughnessModel : int32_t {
    Product = 0,
    Minimum = 1,
};

constexpr bool is_valid_roughness_model(int32_t value) {
    return value == static_cast<int32_t>(RoughnessModel::Product) ||
           value == static_cast<int32_t>(RoughnessModel::Minimum);
}

// The weight of one ordered pair.
template <typename Number>
constexpr Number pair_weight(Number a, Number b, RoughnessModel model) {
    return model == RoughnessModel::Minimum ? std::min(a, b) : a * b;
}

// Σi Σj w(a_i, a_j) over every ordered pair of the amplitudes (i = j included): the scale
// the curve's precision is measured against. (Σ a)² for the product.
double pair_weight_mass(std::span<const double> amplitudes, RoughnessModel model);

// The model's name on the command line and in messages: "product" or "min".
constexpr std::string_view roughness_model_name(RoughnessModel model) {
    return model == RoughnessModel::Minimum ? "min" : "product";
}

// The model named `name` ("product", "min"); nothing for any other text.
constexpr std::optional<RoughnessModel> roughness_model_named(std::string_view name) {
    if (name == "product") return RoughnessModel::Product;
    if (name == "min") return RoughnessModel::Minimum;
    return std::nullopt;
}

}  // namespace kelvara
