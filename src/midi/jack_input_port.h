#pragma once
// The JACK input port and its receive thread (see jack_midi_client.h).
//
// Threads: construction, connect_source, disconnect_source and destruction on the
// user-interface thread; process() on JACK's process thread (no locks, no allocation, no
// wait: it never waits for the receive thread, and what the ring has no room for is merged
// into a per-key state, key_state_ledger.h); the receive loop on the port's own thread, which
// alone calls the receive callback.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/nonblocking.h"
#include "midi/jack_handles.h"
#include "midi/key_state_ledger.h"
#include "midi/midi_packet_list.h"
#include "midi/midi_system.h"

namespace kelvara::midi {

class JackInputPort final : public MidiInputPort {
public:
    // Registers the port, installs the process callback and activates the client. Null when
    // JACK refuses. `server_gone` is set by the client when the server shuts down; it and
    // the client must outlive the port.
    static std::unique_ptr<JackInputPort> create(jack_client_t* client, std::string_view name,
                                                 PacketListCallback deliver, void* deliver_context,
                                                 const std::atomic<bool>& server_gone);
    // Deactivates the client (no process cycle runs any more), stops and joins the receive
    // thread, then unregisters the port: after it returns no callback runs.
    ~JackInputPort() override;
    JackInputPort(const JackInputPort&) = delete;
    JackInputPort& operator=(const JackInputPort&) = delete;

    bool connect_source(const MidiSource& source) override;
    void disconnect_source(const MidiSource& source) override;

    // Events the ring had no room for (a receive callback slower than the burst), merged
    // into the key and controller state delivered after it (key_state_ledger.h).
    uint64_t merged_events() const override { return ledger_.merged(); }

    JackInputPort(jack_client_t* client, PacketListCallback deliver, void* deliver_context,
                  const std::atomic<bool>& server_gone);

private:
    static int process(jack_nframes_t frames, void* self) noexcept KELVARA_NONBLOCKING;
    void copy_events_to_ring(jack_nframes_t frames) noexcept KELVARA_NONBLOCKING;
    void receive_loop(const std::stop_token& stop);
    bool drain_ring_into_list();
    void deliver_merged_state();

    jack_client_t* const client_;
    const PacketListCallback deliver_;
    void* const deliver_context_;
    const std::atomic<bool>& server_gone_;
    jack_port_t* port_ = nullptr;
    std::string full_name_;
    bool active_ = false;

    JackRingbufferHandle ring_;
    KeyStateLedger ledger_;

    // Receive-thread state, reused from list to list.
    MidiPacketListWriter list_;
    std::vector<uint8_t> message_;

    std::jthread receiver_;  // last: started after, and joined before, everything above
};

}  // namespace kelvara::midi
