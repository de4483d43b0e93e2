#pragma once
// The JACK output port (see jack_midi_output_client.h). The user-interface thread queues
// whole messages into a lock-free ring; the process callback moves the complete ones into
// the port's buffer at the start of the cycle, each message one JACK MIDI event (a
// system-exclusive message is never split). A message that does not fit the cycle's buffer
// waits for the next cycle; one larger than an empty buffer can ever hold is dropped.
//
// Threads: construction, every member function and destruction on the user-interface thread
// (the ring's one writer); process() on JACK's process thread (the ring's one reader: no
// lock, no allocation, no wait).
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/nonblocking.h"
#include "midi/jack_handles.h"
#include "midi/midi_output_system.h"

namespace kelvara::midi {

class JackOutputPort final : public MidiOutputPort {
public:
    // Registers the port, installs the process callback and activates the client. Null when
    // JACK refuses. `server_gone` is set by the client when the server shuts down; it and
    // the client must outlive the port.
    static std::unique_ptr<JackOutputPort> create(jack_client_t* client, std::string_view name,
                                                  const std::atomic<bool>& server_gone);
    // Deactivates the client (no process cycle runs any more), then unregisters the port.
    ~JackOutputPort() override;
    JackOutputPort(const JackOutputPort&) = delete;
    JackOutputPort& operator=(const JackOutputPort&) = delete;

    // Returns once the server runs the new connection (or its end), so the next message
    // queued goes where the user chose: within a few cycles, at most kConnectionWait.
    bool connect_destination(const MidiDestination& destination) override;
    void disconnect_destination(const MidiDestination& destination) override;
    bool send(std::span<const uint8_t> message) override;
    // The ring empty, then two more cycles: the last message taken has reached every
    // connected port.
    bool wait_until_sent(std::chrono::milliseconds timeout) override;
    uint64_t dropped_messages() const override { return dropped_.load(std::memory_order_relaxed); }

    // The port's full name in the server ("Kelvara-01:Kelvara Output").
    const std::string& full_name() const { return full_name_; }

    static constexpr std::chrono::milliseconds kConnectionWait{2000};

    JackOutputPort(jack_client_t* client, const std::atomic<bool>& server_gone);

private:
    static int process(jack_nframes_t frames, void* self) noexcept KELVARA_NONBLOCKING;
    void write_queued_messages(jack_nframes_t frames) noexcept KELVARA_NONBLOCKING;
    // Waits until the running graph has (or no longer has) the connection to `address`.
    bool wait_for_connection(const std::string& address, bool connected) const;

    jack_client_t* const client_;
    const std::atomic<bool>& server_gone_;
    jack_port_t* port_ = nullptr;
    std::string full_name_;
    bool active_ = false;

    // Each message as a uint32 length and its bytes. Written only by the user-interface
    // thread, read only by the process thread.
    JackRingbufferHandle ring_;
    // Process cycles completed, and messages dropped; written by the process thread.
    std::atomic<uint64_t> cycles_{0};
    std::atomic<uint64_t> dropped_{0};
};

}  // namespace kelvara::midi
