#pragma once
// A document's MIDI input: its client "Kelvara", the sources listed for its list, its input
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
//     check_items(input.connected_items());
//     set_tool_tip("MIDI system: " + input.system_name());
//     // when the user picks item i of the list:
//     input.toggle_source(i);
//     // refresh_sources(): input.rescan_sources(); input.follow_sources(); then fill the
//     // list again.
#include <functional>
#include <memory>
#include <optional>
#include <set>
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
    // Connects (and checks) the source of list item `item_index`; sources connected earlier
    // stay connected. False when there is no such item, no port, or the source is gone.
    bool connect_source(int item_index);
    // Connects every listed source (a headless run that plays from all keyboards).
    int connect_all_sources();

    // A window's list shows every source with a check mark, and the sources checked are the
    // ones connected. toggle_source checks the source of item `item_index` (connecting it
    // beside the others) or unchecks it (ending its connection); false when there is no such
    // item or a checked source could not be connected (it stays unchecked). follow_sources,
    // after a scan, connects every checked source that is listed (one that went and came
    // back plays again) and drops those that went; until the user has picked, the first
    // source is checked when none is, so a keyboard plays as soon as it is plugged in.
    bool toggle_source(int item_index);
    void follow_sources();
    // The items of the connected sources, in list order.
    std::vector<int> connected_items() const;

    const MidiSourceList& midi_sources() const { return midi_sources_; }
    const MidiPacketHandler& handler() const { return handler_; }

private:
    static MidiPlaybackTargets checked(MidiPlaybackTargets targets);
    static std::unique_ptr<MidiClient> checked(std::unique_ptr<MidiClient> client);
    bool is_connected(const MidiSource& source) const;
    // Connects `source` (again: one that went and came back lost its connection on the way).
    bool connect_checked(const MidiSource& source);

    // Declaration order is destruction order reversed: see the header comment.
    const MidiPlaybackTargets targets_;
    MidiPacketHandler handler_;
    std::unique_ptr<MidiClient> midi_client_;
    MidiSourceList midi_sources_;
    std::vector<MidiSourceItem> items_;
    // The stable identifiers of the sources checked, whether the user has picked yet, and the
    // sources connected now.
    std::set<int32_t> checked_ids_;
    bool picked_ = false;
    std::vector<MidiSource> connected_;
    std::unique_ptr<MidiInputPort> midi_in_port_;
};

}  // namespace kelvara::midi
