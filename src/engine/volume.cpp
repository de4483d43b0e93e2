// The document's channel volume: shown on the window's slider and sent to the synthesizer
// as controller 7 when the window is built and whenever the user moves the slider.
#include "engine/kelvara_document.h"

namespace kelvara {

void KelvaraDocument::update_volume() {
    if (_controls) _controls->show_volume(_volume);
}

void KelvaraDocument::volume_set(int32_t volume) {
    _volume = volume;
    updateChangeCount(ChangeKind::Done);
}

}  // namespace kelvara
