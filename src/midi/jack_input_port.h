#pragma once
// The JACK input port (see jack_midi_client.h).
//
// Threads: construction, connect_source, disconnect_source and destruction on the
// user-interface thread; process() on JACK's process thread (no locks, no allocation, no
// wait: it hands each event to the port's relay, midi_event_relay.h, whose delivery thread
// alone calls the receive callback).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/nonblocking.h"
#include "midi/jack_handles.h"
#include "midi/midi_event_relay.h"
#include "midi/midi_system.h"

namespace kelvara::midi {

class JackInputPort final : public MidiInputPort {
public:
    // Registers the port, installs the process callback and activates the client. Null when
    // JACK refuses. `server_gone` is set by the client when the server shuts down; it and
    // the client must outlive the port. `between_looks` runs on the delivery thread after
    // each look at the relay's ring.
    static std::unique_ptr<JackInputPort> create(jack_client_t* client, std::string_view name,
                                                 PacketListCallback deliver, void* deliver_context,
                                                 const std::atomic<bool>& server_gone,
                                                 std::function<void()> between_looks = {});
    // Deactivates the client (no process cycle runs any more), stops and joins the delivery
    // thread, then unregisters the port: after it returns no callback of the port runs.
    ~JackInputPort() override;
    JackInputPort(const JackInputPort&) = delete;
    JackInputPort& operator=(const JackInputPort&) = delete;

    bool connect_source(const MidiSource& source) override;
    void disconnect_source(const MidiSource& source) override;

    // Events the relay had no room for (a receive callback slower than the burst), merged
    // into the key and controller state delivered after it (key_state_ledger.h).
    uint64_t merged_events() const override { return relay_.merged(); }

    JackInputPort(jack_client_t* client, PacketListCallback deliver, void* deliver_context,
                  const std::atomic<bool>& server_gone, std::function<void()> between_looks);

private:
    static int process(jack_nframes_t frames, void* self) noexcept KELVARA_NONBLOCKING;
    void relay_events(jack_nframes_t frames) noexcept KELVARA_NONBLOCKING;

    jack_client_t* const client_;
    const std::atomic<bool>& server_gone_;
    jack_port_t* port_ = nullptr;
    std::string full_name_;
    bool active_ = false;
    MidiEventRelay relay_;
};

}  // namespace kelvara::midi
