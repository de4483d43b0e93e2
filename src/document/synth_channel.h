#pragma once
// What the document sends to its synthesizer's MIDI channel itself: controller values (the
// volume, controller 7). The synthesizer wrapper stands behind it in the application; tests
// record the calls.
#include <cstdint>

namespace kelvara {

// MIDI controller 7: the channel volume.
inline constexpr uint32_t kChannelVolumeController = 7;

class ChannelControls {
public:
    virtual ~ChannelControls() = default;
    // A control change on the synthesizer's own channel; values above 127 become 127.
    virtual void set_midi_parameter(uint32_t controller, uint32_t value) = 0;
};

}  // namespace kelvara
