#include "jack_test_source.h"

#include <jack/midiport.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace kelvara::midi::testing {

namespace {
constexpr size_t kQueueBytes = 16 * 1024;
}

std::unique_ptr<JackTestSource> JackTestSource::open(const std::string& client_name,
                                                     const std::vector<std::string>& port_names) {
    jack_status_t status{};
    std::unique_ptr<JackTestSource> source(new JackTestSource);
    source->client_.reset(jack_client_open(client_name.c_str(), JackNoStartServer, &status));
    if (!source->client_) return nullptr;
    for (const std::string& name : port_names) {
        Output output;
        output.port = jack_port_register(source->client_.get(), name.c_str(),
                                         JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        output.queue.reset(jack_ringbuffer_create(kQueueBytes));
        if (output.port == nullptr || !output.queue) return nullptr;
        source->outputs_.push_back(std::move(output));
    }
    jack_set_process_callback(source->client_.get(), &JackTestSource::process, source.get());
    if (jack_activate(source->client_.get()) != 0) return nullptr;
    return source;
}

JackTestSource::~JackTestSource() {
    if (client_) jack_deactivate(client_.get());
}

std::string JackTestSource::full_port_name(size_t port) const {
    return jack_port_name(outputs_.at(port).port);
}

bool JackTestSource::send(size_t port, const std::vector<uint8_t>& message) {
    jack_ringbuffer_t* queue = outputs_.at(port).queue.get();
    const auto size = static_cast<uint32_t>(message.size());
    if (jack_ringbuffer_write_space(queue) < sizeof size + size) return false;
    // One write of size and bytes; the process thread takes a record only when all of it
    // is there.
    std::vector<char> record(sizeof size + size);
    std::memcpy(record.data(), &size, sizeof size);
    std::memcpy(record.data() + sizeof size, message.data(), size);
    jack_ringbuffer_write(queue, record.data(), record.size());
    return true;
}

void JackTestSource::disconnect_all(size_t port) {
    jack_port_disconnect(client_.get(), outputs_.at(port).port);
}

bool JackTestSource::wait_for_connections(size_t port, int count) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (jack_port_connected(outputs_.at(port).port) != count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // The count comes from the graph state the server switched to at a cycle's start, so
    // every later cycle routes through the new connections.
    return true;
}

int JackTestSource::process(jack_nframes_t frames, void* self) noexcept {
    for (Output& output : static_cast<JackTestSource*>(self)->outputs_) {
        void* buffer = jack_port_get_buffer(output.port, frames);
        jack_midi_clear_buffer(buffer);
        jack_nframes_t time = 0;
        uint32_t size = 0;
        uint8_t bytes[1024];
        // A few messages per cycle, at increasing frames, as a keyboard would send them.
        while (time < 8 && jack_ringbuffer_read_space(output.queue.get()) >= sizeof size) {
            jack_ringbuffer_peek(output.queue.get(), reinterpret_cast<char*>(&size), sizeof size);
            if (size > sizeof bytes ||
                jack_ringbuffer_read_space(output.queue.get()) < sizeof size + size)
                break;
            jack_ringbuffer_read_advance(output.queue.get(), sizeof size);
            jack_ringbuffer_read(output.queue.get(), reinterpret_cast<char*>(bytes), size);
            jack_midi_event_write(buffer, time++, bytes, size);
        }
    }
    return 0;
}

}  // namespace kelvara::midi::testing
