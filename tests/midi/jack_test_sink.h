#pragma once
// A second JACK client that receives MIDI for tests: one MIDI input port whose process
// callback copies every event whole into a ring, which the test's thread reads back as
// messages, in order.
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
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
    // Events the ring had no room for.
    uint64_t lost() const { return lost_.load(); }

private:
    JackTestSink() = default;
    static int process(jack_nframes_t frames, void* self) noexcept;
    // Moves the complete messages in the ring to `arrived_`.
    void drain();

    JackClientHandle client_;
    jack_port_t* port_ = nullptr;
    JackRingbufferHandle ring_;  // uint32 length, then the bytes
    std::atomic<uint64_t> lost_{0};
    std::vector<std::vector<uint8_t>> arrived_;  // the test's thread only
};

}  // namespace kelvara::midi::testing
