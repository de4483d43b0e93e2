#include "document/adaptive_setup.h"

#include "document/document.h"
#include "engine/curve_definition.h"

namespace kelvara {

AdaptiveTuningSetup adaptive_tuning_setup(const Document& document,
                                          const AdaptationSettings& settings,
                                          std::chrono::milliseconds glide) {
    AdaptiveTuningSetup setup;
    setup.partials = timbre_partials(document.curve().timbre());
    setup.model = document.curve().roughness_model();
    setup.settings = settings;
    setup.glide = glide;
    return setup;
}

}  // namespace kelvara
