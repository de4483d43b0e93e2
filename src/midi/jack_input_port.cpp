#include "midi/jack_input_port.h"

#include <jack/midiport.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace kelvara::midi {

namespace {

// Room for about 5000 three-byte events, or a few long system-exclusive messages.
constexpr size_t kRingBytes = 64 * 1024;
// How often the receive thread looks at the ring while it is empty. The process thread never
// wakes it: waking a thread is a system call (a futex), which a process callback must not
// make. A millisecond is well inside one cycle (5.3 ms at 256 frames and 48 kHz).
constexpr auto kReceivePoll = std::chrono::milliseconds(1);

struct EventHeader {
    uint64_t time_stamp;
    uint32_t size;
};

}  // namespace

JackInputPort::JackInputPort(jack_client_t* client, PacketListCallback deliver,
                             void* deliver_context, const std::atomic<bool>& server_gone)
    : client_(client),
      deliver_(deliver),
      deliver_context_(deliver_context),
      server_gone_(server_gone) {}

std::unique_ptr<JackInputPort> JackInputPort::create(jack_client_t* client, std::string_view name,
                                                     PacketListCallback deliver,
                                                     void* deliver_context,
                                                     const std::atomic<bool>& server_gone) {
    if (client == nullptr || deliver == nullptr || server_gone.load()) return nullptr;
    auto port = std::make_unique<JackInputPort>(client, deliver, deliver_context, server_gone);
    port->ring_.reset(jack_ringbuffer_create(kRingBytes));
    if (!port->ring_) return nullptr;
    jack_ringbuffer_mlock(port->ring_.get());  // best effort: fewer page faults on the RT side
    const std::string port_name(name);
    port->port_ =
        jack_port_register(client, port_name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (port->port_ == nullptr) return nullptr;
    port->full_name_ = jack_port_name(port->port_);
    port->receiver_ =
        std::jthread([raw = port.get()](const std::stop_token& stop) { raw->receive_loop(stop); });
    if (jack_set_process_callback(client, &JackInputPort::process, port.get()) != 0 ||
        jack_activate(client) != 0)
        return nullptr;
    port->active_ = true;
    return port;
}

JackInputPort::~JackInputPort() {
    const bool server_alive = !server_gone_.load();
    if (active_ && server_alive) jack_deactivate(client_);
    if (receiver_.joinable()) {
        receiver_.request_stop();
        receiver_.join();
    }
    if (port_ != nullptr && server_alive) jack_port_unregister(client_, port_);
}

bool JackInputPort::connect_source(const MidiSource& source) {
    if (server_gone_.load()) return false;
    const int result = jack_connect(client_, source.address.c_str(), full_name_.c_str());
    return result == 0 || result == EEXIST;
}

void JackInputPort::disconnect_source(const MidiSource& source) {
    if (!server_gone_.load()) jack_disconnect(client_, source.address.c_str(), full_name_.c_str());
}

int JackInputPort::process(jack_nframes_t frames, void* self) noexcept KELVARA_NONBLOCKING {
    static_cast<JackInputPort*>(self)->copy_events_to_ring(frames);
    return 0;
}

void JackInputPort::copy_events_to_ring(jack_nframes_t frames) noexcept KELVARA_NONBLOCKING {
    void* buffer = jack_port_get_buffer(port_, frames);
    const uint32_t count = jack_midi_get_event_count(buffer);
    if (count == 0) return;
    const jack_nframes_t cycle_start = jack_last_frame_time(client_);
    for (uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0) continue;
        const EventHeader header{static_cast<uint64_t>(cycle_start) + event.time,
                                 static_cast<uint32_t>(event.size)};
        ledger_.record({event.buffer, event.size});
        if (jack_ringbuffer_write_space(ring_.get()) < sizeof header + event.size) {
            ledger_.lost();  // the receive thread delivers the state it left
            continue;
        }
        jack_ringbuffer_write(ring_.get(), reinterpret_cast<const char*>(&header), sizeof header);
        jack_ringbuffer_write(ring_.get(), reinterpret_cast<const char*>(event.buffer), event.size);
    }
}

void JackInputPort::receive_loop(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
        bool delivered = false;
        while (drain_ring_into_list()) {
            deliver_(list_.data(), list_.size(), deliver_context_);
            delivered = true;
        }
        deliver_merged_state();
        if (!delivered) std::this_thread::sleep_for(kReceivePoll);
    }
}

// After a burst the ring had no room for: what brings the keys and controllers to the state
// the sender left, as one list.
void JackInputPort::deliver_merged_state() {
    const std::vector<KeyStateLedger::Message> messages = ledger_.reconcile();
    if (messages.empty()) return;
    list_.clear();
    const uint64_t now = jack_frame_time(client_);
    for (const KeyStateLedger::Message& message : messages) list_.add_message(now, message);
    deliver_(list_.data(), list_.size(), deliver_context_);
}

// Moves the complete events now in the ring into the packet list; false when there were
// none. An event whose bytes are not all written yet stays for the next look.
bool JackInputPort::drain_ring_into_list() {
    list_.clear();
    EventHeader header{};
    while (jack_ringbuffer_read_space(ring_.get()) >= sizeof header) {
        jack_ringbuffer_peek(ring_.get(), reinterpret_cast<char*>(&header), sizeof header);
        if (jack_ringbuffer_read_space(ring_.get()) < sizeof header + header.size) break;
        jack_ringbuffer_read_advance(ring_.get(), sizeof header);
        message_.resize(header.size);
        jack_ringbuffer_read(ring_.get(), reinterpret_cast<char*>(message_.data()), header.size);
        ledger_.delivered(message_);
        list_.add_message(header.time_stamp, message_);
    }
    return list_.packet_count() > 0;
}

}  // namespace kelvara::midi
