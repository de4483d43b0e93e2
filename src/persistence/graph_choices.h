#pragma once
// GraphChoices: how a person chose to read a document's curve, kept with the document: the
// ratio axis linear or in cents, the scale's steps drawn or not, the least prominence of the
// minima listed and how they are named as just ratios. Saved under keys of Kelvara's own
// (document_file.h), each only when it differs from a new document's, so that any other reader
// of the format ignores them.
#include <cstdint>

#include "engine/just_ratio.h"
#include "engine/prominence_threshold.h"
#include "engine/ratio_axis.h"

namespace kelvara {

// The widest just-ratio tolerance a document takes: a quarter tone either side already
// names nearly every ratio by some fraction up to /32.
inline constexpr double kMaxMinimaJustToleranceCents = 50.0;

struct GraphChoices {
    RatioAxis axis = RatioAxis::Linear;
    bool scale_steps = false;  // every scale ratio drawn as a labelled line
    ProminenceThreshold prominence{};
    double just_tolerance_cents = kDefaultJustToleranceCents;  // 0 to the maximum above
    int32_t just_odd_limit = 0;  // 0: by Tenney height; else 1 to kMaxJustOddLimit

    // The naming of the minima, the readout and the just markers.
    JustNaming just_naming() const {
        return {.tolerance_cents = just_tolerance_cents, .odd_limit = just_odd_limit};
    }
    friend bool operator==(const GraphChoices&, const GraphChoices&) = default;
};

}  // namespace kelvara
