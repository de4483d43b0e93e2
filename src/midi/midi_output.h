#pragma once
// A document's MIDI output: its sending client "Kelvara", the destinations listed for its
// pop-up, its output port "Kelvara Output" (made when a destination is first chosen), and the
// one destination it sends to. Bytes only: what the messages mean is the caller's business.
//
// Teardown order is part of the type: the port goes first (its sending stopped), then the
// client.
//
// Threads: every member function runs on the user-interface thread, except that send may be
// called from one other thread (the pitch-bend player's, on the MIDI receive thread) while
// the user-interface thread leaves the connection alone and sends nothing; what is sent
// leaves on the port's sending thread (midi_output_system.h).
//
//     MidiOutput output(open_midi_output_client(kMidiClientName, asked_for).client);
//     for (const std::string& title : output.destination_titles()) add_item(title);
//     // when the user picks item i:
//     if (output.connect_destination(i)) output.send(dump);
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "midi/midi_output_system.h"

namespace kelvara::midi {

class MidiOutput {
public:
    // Lists the client's destinations; no port yet, nothing connected. Throws
    // std::invalid_argument when the client is missing.
    explicit MidiOutput(std::unique_ptr<MidiOutputClient> client);
    ~MidiOutput();
    MidiOutput(const MidiOutput&) = delete;
    MidiOutput& operator=(const MidiOutput&) = delete;

    // The MIDI system in use, for the user to see.
    std::string system_name() const { return client_->system_name(); }

    // Lists the destinations again. The connected destination stays connected, listed or not.
    void rescan_destinations();
    // The destinations of the last scan, in the system's order.
    const std::vector<MidiDestination>& destinations() const { return destinations_; }
    // Their titles for a pop-up, in the same order: the full name "device:port", followed by
    // " (address)" when another destination has the same full name.
    std::vector<std::string> destination_titles() const;
    // The index of the destination a user names by its address, its full name or its title;
    // nothing when none matches, or when the name fits several and no address.
    std::optional<size_t> find_destination(std::string_view name) const;

    // From now on sends to destination `index` of the last scan only: the connection to the
    // one before ends (the one connected already is connected again, in case something
    // outside ended it). Returns once the system routes to it, so that the next message sent
    // reaches it. False, with nothing connected, when there is no such destination, the
    // system refuses the port, or the destination is gone.
    bool connect_destination(size_t index);
    // Ends the connection; nothing is sent anywhere until the next connect_destination.
    void disconnect();
    const std::optional<MidiDestination>& connected_destination() const { return connected_; }

    // Queues one complete message for the connected destination (see MidiOutputPort::send).
    // False when nothing is connected or the port refused it.
    bool send(std::span<const uint8_t> message);
    // Waits, at most `timeout`, until what was sent has left; true at once without a port.
    bool wait_until_sent(std::chrono::milliseconds timeout);
    // Messages the port accepted but could not deliver.
    uint64_t dropped_messages() const { return port_ ? port_->dropped_messages() : 0; }

private:
    static std::unique_ptr<MidiOutputClient> checked(std::unique_ptr<MidiOutputClient> client);

    // Declaration order is destruction order reversed: see the header comment.
    std::unique_ptr<MidiOutputClient> client_;
    std::vector<MidiDestination> destinations_;
    std::optional<MidiDestination> connected_;
    std::unique_ptr<MidiOutputPort> port_;
};

}  // namespace kelvara::midi
