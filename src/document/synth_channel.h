#pragma once
// SynthChannel: what a document sends to its synthesizer itself: controller values on its
// MIDI channel (the volume, controller 7), whether it plays pitch-true, and the partials of
// its timbre (what the "Document timbre" program sounds). The instrument
// rig stands behind it in the application; a document without instruments sends to
// NullSynthChannel.
//
// Threads: called on the user-interface thread.
#include <cstdint>
#include <vector>

#include "engine/tone_partials.h"

namespace kelvara {

// MIDI controller 7: the channel volume.
inline constexpr uint32_t kChannelVolumeController = 7;

class SynthChannel {
public:
    virtual ~SynthChannel() = default;
    // A control change on the synthesizer's own channel; values above 127 become 127.
    virtual void set_midi_parameter(uint32_t controller, uint32_t value) = 0;
    // Pitch-true playback (each tone at exactly its pitch, the bank's measured tuning
    // corrected) or the bank's own tuning, for the notes started from now on.
    virtual void set_pitch_true(bool on) = 0;
    // The partials of one tone of the document's timbre, for tones started from now on.
    virtual void set_timbre(const std::vector<TonePartial>& partials) { (void)partials; }
};

// Sends nothing.
class NullSynthChannel final : public SynthChannel {
public:
    void set_midi_parameter(uint32_t, uint32_t) override {}
    void set_pitch_true(bool) override {}
};

}  // namespace kelvara
