// The volume and the tuning choice: stored, sent to the synthesizer channel, one undo step.
#include "document/playback_actions.h"

#include "document/document.h"

namespace kelvara {

void PlaybackActions::set_volume(int32_t volume) {
    if (volume == document_.volume_) return;
    document_.act(EditName::Volume, [&] {
        document_.volume_ = volume;
        return FollowUp{.changed = true, .send_volume = true};
    });
}

void PlaybackActions::set_pitch_true(bool on) {
    if (on == document_.pitch_true_) return;
    document_.act(EditName::PitchTrue, [&] {
        document_.pitch_true_ = on;
        return FollowUp{.changed = true, .send_pitch_true = true};
    });
}

}  // namespace kelvara
