#pragma once
// The services Kelvara takes from a MIDI system: list the sources present, open one client
// named "Kelvara", give it one input port named "Kelvara Input" that hands every incoming
// message to a receive callback, connect any number of sources to that port, and dispose of
// port and client. Three systems implement it: the ALSA sequencer (desktops, USB keyboards),
// JACK (studio set-ups, PipeWire through its JACK support) and an in-process one for tests.
//
// Threads: every call here is made on the user-interface thread. The receive callback alone
// runs on the port's own receive thread, from the first connection until the port is
// disposed (destroyed).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kelvara::midi {

inline constexpr std::string_view kMidiClientName = "Kelvara";
inline constexpr std::string_view kMidiInputPortName = "Kelvara Input";
// What a client of no MIDI system reports as its system (no_midi_client.h).
inline constexpr std::string_view kNoMidiSystemName = "none";

// One MIDI source as the system lists it. A value: it stays valid (as a description) after
// the source is gone, and connecting a vanished source fails quietly.
struct MidiSource {
    // Where the system finds the source: the full JACK port name ("Synth A:MIDI Out") or the
    // ALSA sequencer address ("20:0").
    std::string address;
    // The source's own name (the port's name), used for the pop-up titles.
    std::string name;
    // Stable across restarts while names stay the same: a hash of the device and port names,
    // because the systems' own numbers are reused for other ports.
    int32_t unique_id = 0;
    // Whether the source belongs to an entity, and the name of the entity's device. Both
    // systems model the client (the program or the hardware) as the device.
    bool has_entity = false;
    std::optional<std::string> device_name;

    bool operator==(const MidiSource&) const = default;
};

// The receive callback: one packet list (see midi_packet_list.h) of `size` bytes, and the
// read context given when the port was created. Runs on the receive thread.
using PacketListCallback = void (*)(const uint8_t* packet_list, size_t size, void* deliver_context);

// The input port. Destroying it disposes of it: no callback runs once the destructor has
// returned, and every connection it had is gone.
class MidiInputPort {
public:
    virtual ~MidiInputPort() = default;
    // Connects `source` to this port; earlier connections stay. Returns false when the source
    // is gone or the system refused (a repeated connection counts as success).
    virtual bool connect_source(const MidiSource& source) = 0;
    // Ends the connection from `source`, if there is one (a source that is gone has none).
    virtual void disconnect_source(const MidiSource& source) = 0;
    // Messages that arrived faster than they could be delivered one by one and were merged
    // into the key and controller state delivered after them (key_state_ledger.h).
    virtual uint64_t merged_events() const { return 0; }
};

// The document's client in a MIDI system. Destroying it disposes of it; its input port must
// be destroyed first.
class MidiClient {
public:
    virtual ~MidiClient() = default;

    // The MIDI system in use, for the user to see ("ALSA sequencer", "JACK", "none", ...).
    virtual std::string system_name() const = 0;

    // The sources present now, addressed by index in the system's own order.
    virtual int32_t number_of_sources() = 0;
    // The source at `index`, or nothing when there is none there (any more).
    virtual std::optional<MidiSource> source(int32_t index) = 0;

    // Creates the one input port. Returns null when the system refuses or a port exists.
    virtual std::unique_ptr<MidiInputPort> create_input_port(std::string_view name,
                                                             PacketListCallback deliver,
                                                             void* deliver_context) = 0;

    // Called on a system thread whenever sources appear or disappear, so that the
    // user-interface thread can scan again (queue the work there; never scan in the
    // callback). Set it before the port is created; systems that cannot tell ignore it.
    virtual void set_sources_changed_callback(std::function<void()> callback) = 0;
};

// The result of opening a client in one system: the client, or null and why not.
struct MidiClientOpening {
    std::unique_ptr<MidiClient> client;
    std::string failure;
};

}  // namespace kelvara::midi
