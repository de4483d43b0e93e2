#include "jack_test_source.h"

#include <jack/midiport.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace kelvara::midi::testing {

std::unique_ptr<JackTestSource> JackTestSource::open(const std::string& client_name,
                                                     const std::vector<std::string>& port_names,
                                                     jack_nframes_t per_cycle) {
    jack_status_t status{};
    std::unique_ptr<JackTestSource> source(new JackTestSource);
    source->per_cycle_ = per_cycle;
    source->client_.reset(jack_client_open(client_name.c_str(), JackNoStartServer, &status));
    if (!source->client_) return nullptr;
    for (const std::string& name : port_names) {
        source->ports_.push_back(jack_port_register(source->client_.get(), name.c_str(),
                                                    JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0));
        if (source->ports_.back() == nullptr) return nullptr;
    }
    source->queued_.resize(port_names.size());
    jack_set_process_callback(source->client_.get(), &JackTestSource::process, source.get());
    if (jack_activate(source->client_.get()) != 0) return nullptr;
    return source;
}

bool JackTestSource::send(size_t port, const std::vector<uint8_t>& message) {
    const std::scoped_lock lock(mutex_);
    queued_.at(port).push_back(message);
    return true;
}

bool JackTestSource::wait_for_connections(size_t port, int count) const {
    // The count comes from the graph state the server switched to at a cycle's start, so
    // every later cycle routes through the new connections.
    // A bound for a broken connection only: a busy machine can take seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (jack_port_connected(ports_.at(port)) != count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool JackTestSource::wait_until_sent(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        {
            const std::scoped_lock lock(mutex_);
            if (std::all_of(queued_.begin(), queued_.end(),
                            [](const auto& queue) { return queue.empty(); }))
                return true;
        }
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

int JackTestSource::process(jack_nframes_t frames, void* self) noexcept {
    auto& source = *static_cast<JackTestSource*>(self);
    const std::unique_lock lock(source.mutex_, std::try_to_lock);
    for (size_t p = 0; p < source.ports_.size(); ++p) {
        void* buffer = jack_port_get_buffer(source.ports_[p], frames);
        jack_midi_clear_buffer(buffer);
        // A few messages per cycle, at increasing frames, as a keyboard would send them.
        auto& queue = source.queued_[p];
        const jack_nframes_t count = std::min(source.per_cycle_, frames);
        for (jack_nframes_t i = 0; lock.owns_lock() && i < count && !queue.empty(); ++i) {
            if (jack_midi_event_write(buffer, i * frames / count, queue.front().data(),
                                      queue.front().size()) != 0)
                break;  // the cycle's buffer is full: the rest goes next cycle
            queue.pop_front();
        }
    }
    return 0;
}

}  // namespace kelvara::midi::testing
