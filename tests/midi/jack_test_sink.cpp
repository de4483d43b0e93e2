#include "jack_test_sink.h"

#include <jack/midiport.h>

#include <thread>
#include <utility>

namespace kelvara::midi::testing {

namespace {
constexpr size_t kRingBytes = 1 << 20;
}

std::unique_ptr<JackTestSink> JackTestSink::open(const std::string& client_name,
                                                 const std::string& port_name) {
    jack_status_t status{};
    std::unique_ptr<JackTestSink> sink(new JackTestSink);
    sink->client_.reset(jack_client_open(client_name.c_str(), JackNoStartServer, &status));
    if (!sink->client_) return nullptr;
    sink->ring_.reset(jack_ringbuffer_create(kRingBytes));
    sink->port_ = jack_port_register(sink->client_.get(), port_name.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                     JackPortIsInput, 0);
    if (!sink->ring_ || sink->port_ == nullptr) return nullptr;
    jack_set_process_callback(sink->client_.get(), &JackTestSink::process, sink.get());
    if (jack_activate(sink->client_.get()) != 0) return nullptr;
    return sink;
}

int JackTestSink::process(jack_nframes_t frames, void* self) noexcept {
    auto& sink = *static_cast<JackTestSink*>(self);
    void* buffer = jack_port_get_buffer(sink.port_, frames);
    const uint32_t count = jack_midi_get_event_count(buffer);
    for (uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0) continue;
        const auto length = static_cast<uint32_t>(event.size);
        if (jack_ringbuffer_write_space(sink.ring_.get()) < sizeof length + length) {
            sink.lost_.fetch_add(1);
            continue;
        }
        jack_ringbuffer_write(sink.ring_.get(), reinterpret_cast<const char*>(&length),
                              sizeof length);
        jack_ringbuffer_write(sink.ring_.get(), reinterpret_cast<const char*>(event.buffer),
                              length);
    }
    return 0;
}

void JackTestSink::drain() {
    uint32_t length = 0;
    while (jack_ringbuffer_read_space(ring_.get()) >= sizeof length) {
        jack_ringbuffer_peek(ring_.get(), reinterpret_cast<char*>(&length), sizeof length);
        if (jack_ringbuffer_read_space(ring_.get()) < sizeof length + length) return;
        jack_ringbuffer_read_advance(ring_.get(), sizeof length);
        std::vector<uint8_t> message(length);
        jack_ringbuffer_read(ring_.get(), reinterpret_cast<char*>(message.data()), length);
        arrived_.push_back(std::move(message));
    }
}

std::vector<std::vector<uint8_t>> JackTestSink::take(size_t count,
                                                     std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    drain();
    while (arrived_.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        drain();
    }
    return std::exchange(arrived_, {});
}

}  // namespace kelvara::midi::testing
