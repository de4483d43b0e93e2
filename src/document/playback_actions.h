#pragma once
// PlaybackActions: the volume slider and the tuning choice of one document, both saved with
// it and sent to its synthesizer channel.
#include <cstdint>

namespace kelvara {

class Document;

class PlaybackActions {
public:
    explicit PlaybackActions(Document& document) : document_(document) {}

    // The user moved the volume slider (MIDI controller 7): store, send, and mark the
    // document changed.
    void set_volume(int32_t volume);
    // The user chose pitch-true playback or the bank's own tuning: store, send, and mark the
    // document changed.
    void set_pitch_true(bool on);

private:
    Document& document_;
};

}  // namespace kelvara
