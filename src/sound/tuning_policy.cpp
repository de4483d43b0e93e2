#include "sound/tuning_policy.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kelvara::sound {
namespace {

int overlap(int low_a, int high_a, int low_b, int high_b) {
    return std::min(high_a, high_b) - std::max(low_a, low_b) + 1;
}

bool layered(const ZoneTuning& a, const ZoneTuning& b) {
    if (a.root_key != b.root_key) return false;
    const int keys = overlap(a.key_low, a.key_high, b.key_low, b.key_high);
    const int narrower = std::min(a.key_high - a.key_low, b.key_high - b.key_low) + 1;
    return 2 * keys >= narrower && keys > 0 &&
           overlap(a.velocity_low, a.velocity_high, b.velocity_low, b.velocity_high) > 0;
}

// Union-find over zone indexes: the representative of a zone's layer.
size_t layer_of(std::vector<size_t>& parent, size_t zone) {
    while (parent[zone] != zone) zone = parent[zone] = parent[parent[zone]];
    return zone;
}

}  // namespace

double median_cents(std::vector<double> values) {
    if (values.empty()) return std::nan("");
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

void apply_tuning_policy(std::vector<ZoneTuning>& zones) {
    std::vector<size_t> parent(zones.size());
    std::iota(parent.begin(), parent.end(), size_t{0});
    for (size_t i = 0; i < zones.size(); ++i)
        for (size_t j = i + 1; j < zones.size(); ++j)
            if (layered(zones[i], zones[j])) parent[layer_of(parent, j)] = layer_of(parent, i);

    for (ZoneTuning& zone : zones) {
        zone.correction_cents = 0.0;
        const bool confident = zone.confidence >= kMinConfidence && std::isfinite(zone.error_cents);
        zone.verdict = !confident                                         ? ZoneVerdict::Unpitched
                       : std::abs(zone.error_cents) > kMaxCorrectionCents ? ZoneVerdict::OutOfBounds
                                                                          : ZoneVerdict::Corrected;
    }
    for (size_t root = 0; root < zones.size(); ++root) {
        if (layer_of(parent, root) != root) continue;
        std::vector<double> errors;
        for (size_t i = 0; i < zones.size(); ++i)
            if (layer_of(parent, i) == root && zones[i].verdict == ZoneVerdict::Corrected)
                errors.push_back(zones[i].error_cents);
        if (errors.empty()) continue;
        const double offset = median_cents(std::move(errors));
        for (size_t i = 0; i < zones.size(); ++i)
            if (layer_of(parent, i) == root && zones[i].verdict == ZoneVerdict::Corrected)
                zones[i].correction_cents = 0.0 - offset;  // never -0
    }
}

}  // namespace kelvara::sound
