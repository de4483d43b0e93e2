// Replacing the fixed tones of a document in one step.
#include <algorithm>
#include <cmath>

#include "document/document.h"
#include "engine/engine_limits.h"

namespace kelvara {

bool KelvaraDocument::set_dissonance_ratios(std::span<const float> ratios) {
    const auto usable = [](float r) { return std::isfinite(r) && r > 0.0f; };
    if (ratios.size() > static_cast<size_t>(kMaxDissonanceRatios) ||
        !std::all_of(ratios.begin(), ratios.end(), usable)) {
        beep();
        return false;
    }
    _dissonance_ratios.assign(ratios.begin(), ratios.end());
    updateChangeCount(ChangeKind::Done);
    resample_and_redraw(true);
    return true;
}

}  // namespace kelvara
