#include "midi/jack_output_port.h"

#include <jack/midiport.h>

#include <cerrno>
#include <thread>

#include "midi/midi_message.h"

namespace kelvara::midi {

namespace {

// Room for a few hundred tuning messages: far more than a burst of edits queues between two
// cycles.
constexpr size_t kRingBytes = 64 * 1024;
// How often a waiting user-interface thread looks again: a fraction of a cycle (5.3 ms at
// 256 frames and 48 kHz).
constexpr auto kPollInterval = std::chrono::milliseconds(1);

using MessageLength = uint32_t;

}  // namespace

JackOutputPort::JackOutputPort(jack_client_t* client, const std::atomic<bool>& server_gone)
    : client_(client), server_gone_(server_gone) {}

std::unique_ptr<JackOutputPort> JackOutputPort::create(jack_client_t* client, std::string_view name,
                                                       const std::atomic<bool>& server_gone) {
    if (client == nullptr || server_gone.load()) return nullptr;
    auto port = std::make_unique<JackOutputPort>(client, server_gone);
    port->ring_.reset(jack_ringbuffer_create(kRingBytes));
    if (!port->ring_) return nullptr;
    jack_ringbuffer_mlock(port->ring_.get());  // best effort: fewer page faults on the RT side
    const std::string port_name(name);
    port->port_ =
        jack_port_register(client, port_name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (port->port_ == nullptr) return nullptr;
    port->full_name_ = jack_port_name(port->port_);
    if (jack_set_process_callback(client, &JackOutputPort::process, port.get()) != 0 ||
        jack_activate(client) != 0)
        return nullptr;
    port->active_ = true;
    return port;
}

JackOutputPort::~JackOutputPort() {
    const bool server_alive = !server_gone_.load();
    if (active_ && server_alive) jack_deactivate(client_);
    if (port_ != nullptr && server_alive) jack_port_unregister(client_, port_);
}

bool JackOutputPort::connect_destination(const MidiDestination& destination) {
    if (server_gone_.load()) return false;
    const int result = jack_connect(client_, full_name_.c_str(), destination.address.c_str());
    if (result != 0 && result != EEXIST) return false;
    return wait_for_connection(destination.address, true);
}

void JackOutputPort::disconnect_destination(const MidiDestination& destination) {
    if (server_gone_.load()) return;
    if (jack_disconnect(client_, full_name_.c_str(), destination.address.c_str()) == 0)
        wait_for_connection(destination.address, false);
}

bool JackOutputPort::wait_for_connection(const std::string& address, bool connected) const {
    // The answer comes from the graph the server switched to at a cycle's start, so every
    // later cycle routes through it.
    const auto deadline = std::chrono::steady_clock::now() + kConnectionWait;
    while ((jack_port_connected_to(port_, address.c_str()) != 0) != connected) {
        if (server_gone_.load() || std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

bool JackOutputPort::send(std::span<const uint8_t> message) {
    if (server_gone_.load() || !is_complete_midi_message(message)) return false;
    const auto length = static_cast<MessageLength>(message.size());
    if (jack_ringbuffer_write_space(ring_.get()) < sizeof length + message.size()) return false;
    // The length first: the reader takes a message only once all its bytes are there.
    jack_ringbuffer_write(ring_.get(), reinterpret_cast<const char*>(&length), sizeof length);
    jack_ringbuffer_write(ring_.get(), reinterpret_cast<const char*>(message.data()),
                          message.size());
    return true;
}

bool JackOutputPort::wait_until_sent(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto waited_out = [&] {
        if (server_gone_.load() || std::chrono::steady_clock::now() > deadline) return true;
        std::this_thread::sleep_for(kPollInterval);
        return false;
    };
    while (jack_ringbuffer_read_space(ring_.get()) > 0)
        if (waited_out()) return false;
    // The last message left the ring in the cycle running now or in one already finished;
    // once two more have completed, its destinations have run with it.
    const uint64_t seen = cycles_.load(std::memory_order_acquire);
    while (cycles_.load(std::memory_order_acquire) < seen + 2)
        if (waited_out()) return false;
    return true;
}

int JackOutputPort::process(jack_nframes_t frames, void* self) noexcept KELVARA_NONBLOCKING {
    static_cast<JackOutputPort*>(self)->write_queued_messages(frames);
    return 0;
}

void JackOutputPort::write_queued_messages(jack_nframes_t frames) noexcept KELVARA_NONBLOCKING {
    void* buffer = jack_port_get_buffer(port_, frames);
    jack_midi_clear_buffer(buffer);
    jack_ringbuffer_t* ring = ring_.get();
    MessageLength length = 0;
    while (jack_ringbuffer_read_space(ring) >= sizeof length) {
        jack_ringbuffer_peek(ring, reinterpret_cast<char*>(&length), sizeof length);
        if (jack_ringbuffer_read_space(ring) < sizeof length + length) break;  // still arriving
        if (length > jack_midi_max_event_size(buffer)) {
            // Another cycle's empty buffer may hold it; one that an empty buffer cannot
            // hold is never sent.
            if (jack_midi_get_event_count(buffer) > 0) break;
            jack_ringbuffer_read_advance(ring, sizeof length + length);
            dropped_.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        // Every message at the cycle's first frame, in the order queued.
        jack_midi_data_t* place = jack_midi_event_reserve(buffer, 0, length);
        if (place == nullptr) break;
        jack_ringbuffer_read_advance(ring, sizeof length);
        jack_ringbuffer_read(ring, reinterpret_cast<char*>(place), length);
    }
    cycles_.fetch_add(1, std::memory_order_release);
}

}  // namespace kelvara::midi
