#pragma once
// The sources a document offers in its source pop-up, and the pop-up's titles. A scan takes
// the system's list as it is; the titles tell sources of the same name apart:
//   "Port"          the first source of a name
//   "Port #2"       a repeated name on a source without an entity (2: its list position)
//   "Port B"        a repeated name, told apart by its device B
//   "Port B # 2"    a repeated name and device (2: its list position)
// A repeated name on an entity without a device gets no item. Each item keeps its source,
// so picking an item connects that source even when items before it were left out.
//
// Threads: user-interface thread only.
#include <cstdint>
#include <string>
#include <vector>

#include "midi/midi_system.h"

namespace kelvara::midi {

struct MidiSourceItem {
    std::string title;
    MidiSource source;
    bool operator==(const MidiSourceItem&) const = default;
};

class MidiSourceList {
public:
    // Rebuilds the list from the client's sources, in the system's order, leaving out the
    // indices where the system returns none.
    void rescan_sources(MidiClient& client);

    // The pop-up items for the current list, in pop-up order.
    std::vector<MidiSourceItem> source_items() const;

    const std::vector<MidiSource>& midi_sources() const { return midi_sources_; }
    // The system index of the source whose unique identifier is `_midi_source_ID` (which
    // stays 0), or 0 when none has it; -1 before the first scan. Nothing depends on it.
    int32_t selected_midi_source() const { return selected_midi_source_; }

private:
    std::vector<MidiSource> midi_sources_;
    int32_t selected_midi_source_ = -1;
    int32_t _midi_source_ID = 0;
};

}  // namespace kelvara::midi
