#pragma once
// A MIDI system inside the process, for tests and for running without any system: sources
// are added and removed by the caller, and send() delivers a message from a source to every
// port connected to it, on the calling thread, which stands in for the receive thread.
//
// The system must outlive its clients. Its calls may come from any thread. Receive
// callbacks and sources-changed callbacks run while the system is locked: they must not call
// back into the system or its clients.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "midi/midi_system.h"

namespace kelvara::midi {

class InProcessMidiSystem {
public:
    InProcessMidiSystem();
    ~InProcessMidiSystem();
    InProcessMidiSystem(const InProcessMidiSystem&) = delete;
    InProcessMidiSystem& operator=(const InProcessMidiSystem&) = delete;

    // Appends a source to the system's list; its `address` must be unique.
    void add_source(MidiSource source);
    // Appends an index at which the system returns no source.
    void add_missing_source();
    // Removes the source at `address` (its connections end).
    void remove_source(std::string_view address);

    // Delivers `message` from the source at `address` to every port connected to it, as a
    // packet list of one message. Returns the number of ports it reached.
    int send(std::string_view address, std::span<const uint8_t> message, uint64_t time_stamp = 0);

    // A new client; `system_name` is what it reports as the system in use.
    std::unique_ptr<MidiClient> create_client(std::string_view name,
                                              std::string system_name = "in-process");

    // The addresses connected to the ports of every client, in order of connection.
    std::vector<std::string> connected_addresses() const;
    // How many clients and ports are open now.
    int open_clients() const;
    int open_ports() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace kelvara::midi
