#pragma once
// The instruments of one document window: the synthesizer its chords and volume go to.
// The window owns them and lets them go before its document, so that nothing that plays
// can outlive what it reads.
#include <functional>
#include <memory>

#include "engine/channel_controls.h"

namespace kelvara {

class DocumentInstruments {
public:
    virtual ~DocumentInstruments() = default;
    // The synthesizer's channel; null when the window plays nothing.
    virtual ChannelControls* channel() = 0;
};

// Makes the instruments of each new window; may return null (a silent window).
using InstrumentsFactory = std::function<std::unique_ptr<DocumentInstruments>()>;

}  // namespace kelvara
