#include "engine/dissonance_kernel.h"

#include <algorithm>
#include <cmath>

#include "engine/fast_dissonance_kernel.h"

namespace kelvara {

float pair_sum_literal(const float* partials, const float* amplitudes, int32_t count,
                       RoughnessModel model) {
    using namespace roughness;
    float y = 0.0f;
    for (int32_t i = 0; i < count; ++i) {
        for (int32_t j = 0; j < count; ++j) {
            const float lower = std::min(partials[i], partials[j]);
            const float s = (kNumerator / (kBandwidthSlope * lower + kBandwidthOffset)) *
                            std::fabs(partials[j] - partials[i]);
            const float d = std::exp(kFirstRate * s) - std::exp(kSecondRate * s);
            y = y + pair_weight(amplitudes[i], amplitudes[j], model) * d;
        }
    }
    return y;
}

float LiteralKernel::sum(const PartialListView& list) {
    return pair_sum_literal(list.partials, list.amplitudes, list.count, list.model);
}

std::unique_ptr<DissonanceKernel> make_default_kernel() {
    return std::make_unique<FastKernel>();
}

}  // namespace kelvara
