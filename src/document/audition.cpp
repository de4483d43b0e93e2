#include "document/audition.h"

#include <cmath>

namespace kelvara {

void Audition::press(double base_hz, double ratio) {
    release();
    const auto upper = static_cast<float>(base_hz * ratio);
    ids_ = instruments_.start_tones({static_cast<float>(base_hz), upper});
    base_hz_ = base_hz;
    upper_started_hz_ = ids_.size() == 2 && ids_[1] != 0 ? upper : 0.0f;
}

void Audition::move(double ratio) {
    if (upper_started_hz_ <= 0.0f) return;
    const auto upper = static_cast<float>(base_hz_ * ratio);
    if (std::isfinite(upper) && upper > 0.0f)
        instruments_.glide_tone(ids_[1], upper_started_hz_, upper);
}

void Audition::play(const std::vector<float>& frequencies_hz) {
    release();
    ids_ = instruments_.start_tones(frequencies_hz);
}

void Audition::release() {
    if (!ids_.empty()) instruments_.stop_tones(ids_);
    ids_.clear();
    upper_started_hz_ = 0.0f;
}

}  // namespace kelvara
