#include "engine/tone_partials.h"

#include <span>

#include "engine/engine_limits.h"

namespace kelvara {

std::vector<TonePartial> tone_partials(const Timbre& timbre) {
    const int32_t count = partials_per_tone(timbre);
    if (!is_valid_overtone_type(timbre.overtone_type) || count < 1 || count > kMaxOvertones)
        return {};
    std::vector<float> amplitudes(static_cast<size_t>(count));
    harmonic_amplitudes(timbre.overtone_type, std::span<float>(amplitudes));
    std::vector<TonePartial> partials;
    partials.reserve(amplitudes.size());
    for (size_t k = 0; k < amplitudes.size(); ++k)
        partials.push_back({static_cast<double>(k + 1), static_cast<double>(amplitudes[k])});
    return partials;
}

}  // namespace kelvara
