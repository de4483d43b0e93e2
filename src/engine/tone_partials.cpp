#include "engine/tone_partials.h"

#include "engine/curve_definition.h"

namespace kelvara {

std::vector<TonePartial> tone_partials(const Timbre& timbre) {
    std::vector<TonePartial> partials;
    for (const Partial& p : timbre_partials(timbre)) partials.push_back({p.ratio, p.amplitude});
    return partials;
}

}  // namespace kelvara
