#include "engine/roughness_model.h"

#include <vector>

namespace kelvara {

double pair_weight_mass(std::span<const double> amplitudes, RoughnessModel model) {
    if (model == RoughnessModel::Product) {
        double total = 0.0;
        for (const double a : amplitudes) total += a;
        return total * total;
    }
    // Ascending, the k-th amplitude is the smaller one of its pairs with itself and with every
    // later one, in both orders: 2·(n − k) − 1 pairs.
    std::vector<double> sorted(amplitudes.begin(), amplitudes.end());
    std::sort(sorted.begin(), sorted.end());
    const auto n = static_cast<double>(sorted.size());
    double mass = 0.0;
    for (size_t k = 0; k < sorted.size(); ++k)
        mass += sorted[k] * (2.0 * (n - static_cast<double>(k)) - 1.0);
    return mass;
}

}  // namespace kelvara
