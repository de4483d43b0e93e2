#include "midi/jack_input_port.h"

#include <jack/midiport.h>

#include <cerrno>

namespace kelvara::midi {

JackInputPort::JackInputPort(jack_client_t* client, PacketListCallback deliver,
                             void* deliver_context, const std::atomic<bool>& server_gone,
                             std::function<void()> between_looks)
    : client_(client),
      server_gone_(server_gone),
      relay_(deliver, deliver_context, std::move(between_looks)) {}

std::unique_ptr<JackInputPort> JackInputPort::create(jack_client_t* client, std::string_view name,
                                                     PacketListCallback deliver,
                                                     void* deliver_context,
                                                     const std::atomic<bool>& server_gone,
                                                     std::function<void()> between_looks) {
    if (client == nullptr || deliver == nullptr || server_gone.load()) return nullptr;
    auto port = std::make_unique<JackInputPort>(client, deliver, deliver_context, server_gone,
                                                std::move(between_looks));
    if (!port->relay_.valid()) return nullptr;
    const std::string port_name(name);
    port->port_ =
        jack_port_register(client, port_name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (port->port_ == nullptr) return nullptr;
    port->full_name_ = jack_port_name(port->port_);
    port->relay_.start();
    if (jack_set_process_callback(client, &JackInputPort::process, port.get()) != 0 ||
        jack_activate(client) != 0)
        return nullptr;
    port->active_ = true;
    return port;
}

// In this order, so that nothing of ours runs inside libjack while the client goes: the
// process callback ends with the deactivation, the delivery thread is joined, and only then
// is the port unregistered (the client closes after, in its own destructor).
JackInputPort::~JackInputPort() {
    const bool server_alive = !server_gone_.load();
    if (active_ && server_alive) jack_deactivate(client_);
    relay_.stop();
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
    static_cast<JackInputPort*>(self)->relay_events(frames);
    return 0;
}

void JackInputPort::relay_events(jack_nframes_t frames) noexcept KELVARA_NONBLOCKING {
    void* buffer = jack_port_get_buffer(port_, frames);
    const uint32_t count = jack_midi_get_event_count(buffer);
    if (count == 0) return;
    const jack_nframes_t cycle_start = jack_last_frame_time(client_);
    for (uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0) continue;
        relay_.push(static_cast<uint64_t>(cycle_start) + event.time, {event.buffer, event.size});
    }
}

}  // namespace kelvara::midi
