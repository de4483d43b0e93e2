// The document's channel volume: shown on the window's slider and sent to the synthesizer
// as controller 7 when the window is built and whenever the user moves the slider. Nothing
// else sends it: a bank change leaves the new synthesizer at its own default volume until
// the slider moves.
#include <algorithm>

#include "document/document.h"

namespace kelvara {
namespace {

// The synthesizer takes the value as unsigned: a negative volume arrives as a large value,
// which it limits to 127.
uint32_t controller_value(int32_t volume) {
    return static_cast<uint32_t>(volume);
}

}  // namespace

void KelvaraDocument::update_volume() {
    if (_channel) _channel->set_midi_parameter(kChannelVolumeController, controller_value(_volume));
    if (_controls) _controls->show_volume(_volume);
}

void KelvaraDocument::volume_set(int32_t volume) {
    _volume = volume;
    if (_channel) _channel->set_midi_parameter(kChannelVolumeController, controller_value(_volume));
    updateChangeCount(ChangeKind::Done);
}

}  // namespace kelvara
