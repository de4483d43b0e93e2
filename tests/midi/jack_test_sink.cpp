#include "jack_test_sink.h"

#include <jack/midiport.h>

#include <utility>

namespace kelvara::midi::testing {

std::unique_ptr<JackTestSink> JackTestSink::open(const std::string& client_name,
                                                 const std::string& port_name) {
    jack_status_t status{};
    std::unique_ptr<JackTestSink> sink(new JackTestSink);
    sink->client_.reset(jack_client_open(client_name.c_str(), JackNoStartServer, &status));
    if (!sink->client_) return nullptr;
    sink->port_ = jack_port_register(sink->client_.get(), port_name.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                     JackPortIsInput, 0);
    if (sink->port_ == nullptr) return nullptr;
    jack_set_process_callback(sink->client_.get(), &JackTestSink::process, sink.get());
    if (jack_activate(sink->client_.get()) != 0) return nullptr;
    return sink;
}

int JackTestSink::process(jack_nframes_t frames, void* self) noexcept {
    auto& sink = *static_cast<JackTestSink*>(self);
    void* buffer = jack_port_get_buffer(sink.port_, frames);
    const uint32_t count = jack_midi_get_event_count(buffer);
    if (count == 0) return 0;
    const std::lock_guard lock(sink.mutex_);
    for (uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0)
            sink.arrived_.emplace_back(event.buffer, event.buffer + event.size);
    }
    sink.arrival_.notify_all();
    return 0;
}

std::vector<std::vector<uint8_t>> JackTestSink::take(size_t count,
                                                     std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    arrival_.wait_for(lock, timeout, [&] { return arrived_.size() >= count; });
    return std::exchange(arrived_, {});
}

}  // namespace kelvara::midi::testing
