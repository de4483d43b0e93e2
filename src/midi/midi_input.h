#pragma once
// A document's MIDI input: its client "Kelvara", the sources listed for its pop-up, its input
// port "Kelvara Input", and the packet handler that plays incoming notes.
//
// Teardown order is part of the type: the members are declared so that destruction disposes
// of the port first (its receive thread joined, no callback running), then the client, then
// the handler, and only then lets go of the player and the chord lookup it shares, which
// therefore outlive every MIDI delivery that could use them.
//
// Threads: every member function runs on the user-interface thread; the handler runs on the
// port's receive thread.
//
// A window uses it like this (the callbacks only queue work onto its own thread):
//
//     auto last_played = std::make_shared<LastPlayedKey>([window](int key) {
//         queue_on_ui_thread([window, key] { window->show_last_played(key); });
//     });
//     MidiInput input(open_midi_client(kMidiClientName, midi_system_from_environment(&note))
//                         .client,
//                     {player, chords, last_played},
//                     [window] { queue_on_ui_thread([window] { window->refresh_sources(); }); });
//     input.follow_sources();  // the first source plays at once
//     for (const MidiSourceItem& item : input.source_items()) add_item(item.title);
//     show_item(input.selected_item());
//     set_tool_tip("MIDI system: " + input.system_name());
//     // when the user picks item i of the pop-up:
//     input.select_source(i);
//     // refresh_sources(): input.rescan_sources(); input.follow_sources(); then fill the
//     // pop-up again.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "midi/chord_lookup.h"
#include "midi/last_played_key.h"
#include "midi/midi_packet_handler.h"
#include "midi/midi_source_list.h"
#include "midi/midi_system.h"
#include "midi/note_player.h"

namespace kelvara::midi {

// What incoming notes play on; all three must be set.
struct MidiPlaybackTargets {
    std::shared_ptr<NotePlayer> player;
    std::shared_ptr<const ChordLookup> chords;
    std::shared_ptr<LastPlayedKey> last_played;
};

class MidiInput {
public:
    // Scans the client's sources and creates the input port (left out when the system
    // refuses: the list still shows, nothing connects). No source is connected yet.
    // `sources_changed` (optional) runs on a system thread when sources come or go; it must
    // only queue a call of rescan_sources on the user-interface thread.
    // Throws std::invalid_argument when the client or a target is missing.
    MidiInput(std::unique_ptr<MidiClient> client, MidiPlaybackTargets targets,
              std::function<void()> sources_changed = {});
    ~MidiInput();
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

    // The MIDI system in use, for the user to see.
    std::string system_name() const { return midi_client_->system_name(); }
    bool has_input_port() const { return midi_in_port_ != nullptr; }
    // Messages merged into the key state delivered after a burst (MidiInputPort).
    uint64_t merged_events() const { return midi_in_port_ ? midi_in_port_->merged_events() : 0; }

    // Scans the sources again (at construction, and when the system announced a change).
    void rescan_sources();
    // The pop-up items for the last scan; a later connect_source(i) or select_source(i)
    // connects item i of this list.
    const std::vector<MidiSourceItem>& source_items() const { return items_; }
    // Connects the source of pop-up item `item_index`; sources connected earlier stay
    // connected. False when there is no such item, no port, or the source is gone.
    bool connect_source(int item_index);
    // Connects every listed source (a headless run that plays from all keyboards).
    int connect_all_sources();

    // A window's pop-up shows one source, and that is the one connected. select_source
    // connects the source of item `item_index` in place of the one selected before (false,
    // and none selected, when it cannot be connected). follow_sources, after a scan,
    // selects the source picked last if it is listed, else the one selected if it still
    // is, else the first item: a keyboard plays as soon as it is plugged in, and a picked
    // one plays again when it comes back.
    bool select_source(int item_index);
    void follow_sources();
    // The item of the selected source; nothing when none is selected.
    std::optional<int> selected_item() const;

    const MidiSourceList& midi_sources() const { return midi_sources_; }
    const MidiPacketHandler& handler() const { return handler_; }

private:
    static MidiPlaybackTargets checked(MidiPlaybackTargets targets);
    static std::unique_ptr<MidiClient> checked(std::unique_ptr<MidiClient> client);
    // Connects the source of `item` in place of the one selected; it is selected when that
    // succeeds, none otherwise.
    bool connect_selected(size_t item);

    // Declaration order is destruction order reversed: see the header comment.
    const MidiPlaybackTargets targets_;
    MidiPacketHandler handler_;
    std::unique_ptr<MidiClient> midi_client_;
    MidiSourceList midi_sources_;
    std::vector<MidiSourceItem> items_;
    // The stable identifier of the source the user picked last, and the source selected.
    std::optional<int32_t> picked_id_;
    std::optional<MidiSource> selected_;
    std::unique_ptr<MidiInputPort> midi_in_port_;
};

}  // namespace kelvara::midi
