#pragma once
// A second JACK client that receives MIDI for tests: one MIDI input port whose process
// callback copies every event whole, which the test's thread takes back as messages, in order.
// (The callback waits for the lock only while the test's thread takes what arrived: a test
// client may, a real-time client never would.)
#include <jack/jack.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midi/jack_handles.h"

namespace kelvara::midi::testing {

class JackTestSink {
public:
    // Opens client `client_name` (never starting a server) with one MIDI input port named
    // `port_name`. Null when no server answers.
    static std::unique_ptr<JackTestSink> open(const std::string& client_name,
                                              const std::string& port_name);
    ~JackTestSink() {
        if (client_) jack_deactivate(client_.get());
    }
    JackTestSink(const JackTestSink&) = delete;
    JackTestSink& operator=(const JackTestSink&) = delete;

    std::string full_port_name() const { return jack_port_name(port_); }
    // Waits until at least `count` messages have arrived since the last take, at most
    // `timeout`, and takes every message that has arrived.
    std::vector<std::vector<uint8_t>> take(
        size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    JackTestSink() = default;
    static int process(jack_nframes_t frames, void* self) noexcept;

    JackClientHandle client_;
    jack_port_t* port_ = nullptr;
    std::mutex mutex_;
    std::condition_variable arrival_;
    std::vector<std::vector<uint8_t>> arrived_;  // guarded by mutex_
};

}  // namespace kelvara::midi::testing
