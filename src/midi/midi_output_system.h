#pragma once
// The services Kelvara takes from a MIDI system to send: list the destinations present (the
// input ports of synthesizers, hardware and software), open one client, give it one output
// port named "Kelvara Output", connect that port to a destination and queue whole messages
// on it. The ALSA sequencer and JACK implement it (alsa_midi_output_client.h,
// jack_midi_output_client.h); without a system, NoMidiOutputClient lists nothing.
//
// An output has its own client in the system, apart from the input's (midi_system.h): the
// two live and go independently, and on JACK each client has one process callback.
//
// Threads: every call here is made on the user-interface thread (one thread at a time). What
// is queued leaves on the port's own sending thread: JACK's process thread, or the ALSA
// port's thread.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara::midi {

inline constexpr std::string_view kMidiOutputPortName = "Kelvara Output";

// One MIDI destination as the system lists it. A value: it stays valid (as a description)
// after the destination is gone, and connecting a vanished destination fails.
struct MidiDestination {
    // Where the system finds it: the full JACK port name ("fluidsynth:midi_00") or the ALSA
    // sequencer address ("128:0").
    std::string address;
    // The port's own name ("midi_00", "Synth input port (1234:0)").
    std::string name;
    // The client that owns the port: the program or the hardware ("fluidsynth").
    std::string device_name;

    // "device:port", the name the user sees and may type.
    std::string full_name() const { return device_name + ":" + name; }
    bool operator==(const MidiDestination&) const = default;
};

// The output port. Destroying it disposes of it: its sending stops (what is still queued is
// dropped) and every connection it had is gone.
class MidiOutputPort {
public:
    virtual ~MidiOutputPort() = default;

    // Connects this port to `destination`; other connections stay. Once it returns true,
    // the next message queued reaches the destination. False when the destination is gone or
    // the system refused (a repeated connection counts as success).
    virtual bool connect_destination(const MidiDestination& destination) = 0;
    // Ends the connection to `destination`, if there is one; once it returns, messages
    // queued next no longer reach it.
    virtual void disconnect_destination(const MidiDestination& destination) = 0;

    // Queues one complete message (is_complete_midi_message) to be sent whole, after the
    // messages queued before it. False, with nothing queued, for a message that is not
    // complete or longer than kMaxMidiOutputMessageBytes, when the queue has no room for it,
    // or when the system has gone.
    virtual bool send(std::span<const uint8_t> message) = 0;
    // Waits until every message queued so far has left the port, at most `timeout`. False
    // when some had not (the system is stuck or gone).
    virtual bool wait_until_sent(std::chrono::milliseconds timeout) = 0;
    // Messages queued but never sent: the system refused them or had no room for them.
    virtual uint64_t dropped_messages() const = 0;
};

// The document's sending client in a MIDI system. Destroying it disposes of it; its output
// port must be destroyed first.
class MidiOutputClient {
public:
    virtual ~MidiOutputClient() = default;

    // The MIDI system in use, for the user to see ("ALSA sequencer", "JACK", "none").
    virtual std::string system_name() const = 0;
    // The destinations present now, in the system's order; the client's own ports are left
    // out.
    virtual std::vector<MidiDestination> destinations() = 0;
    // Creates the one output port. Null when the system refuses or a port exists.
    virtual std::unique_ptr<MidiOutputPort> create_output_port(std::string_view name) = 0;
};

// The result of opening a sending client in one system: the client, or null and why not.
struct MidiOutputClientOpening {
    std::unique_ptr<MidiOutputClient> client;
    std::string failure;
};

}  // namespace kelvara::midi
