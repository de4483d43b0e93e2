#pragma once
// A second JACK client that plays MIDI sources for tests: output ports whose process
// callback writes the messages a test queued, in order, a few per cycle.
#include <jack/jack.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midi/jack_handles.h"

namespace kelvara::midi::testing {

// A per-process suffix keeps client names apart when test processes share a server.
inline std::string per_process_name(const std::string& name) {
    return name + "-" + std::to_string(getpid());
}

// scripts/with-test-services.sh sets KELVARA_REQUIRE_JACK=1: there a missing server is a
// failure, elsewhere a reason to skip.
inline bool jack_server_required() {
    const char* required = std::getenv("KELVARA_REQUIRE_JACK");
    return required != nullptr && std::string(required) == "1";
}

class JackTestSource {
public:
    // Opens client `client_name` (never starting a server) with one MIDI output port per
    // name, each writing up to `per_cycle` queued messages a cycle. Null when no server
    // answers.
    static std::unique_ptr<JackTestSource> open(const std::string& client_name,
                                                const std::vector<std::string>& port_names,
                                                jack_nframes_t per_cycle = 8);
    ~JackTestSource() {
        if (client_) jack_deactivate(client_.get());
    }
    JackTestSource(const JackTestSource&) = delete;
    JackTestSource& operator=(const JackTestSource&) = delete;

    std::string full_port_name(size_t port) const { return jack_port_name(ports_.at(port)); }
    // Queues `message` on output `port` (always true: the queue grows as needed).
    bool send(size_t port, const std::vector<uint8_t>& message);
    // Waits until output `port` has `count` connections in the graph the server runs, so a
    // message sent next takes them (a connection made takes effect a cycle or so later).
    // False on timeout.
    bool wait_for_connections(size_t port, int count) const;
    // Waits until every queued message was written to its port. False on timeout.
    bool wait_until_sent(std::chrono::milliseconds timeout);

private:
    JackTestSource() = default;
    static int process(jack_nframes_t frames, void* self) noexcept;

    JackClientHandle client_;
    jack_nframes_t per_cycle_ = 8;
    std::vector<jack_port_t*> ports_;
    std::mutex mutex_;  // guards queued_; the process callback only tries it, never waits
    std::vector<std::deque<std::vector<uint8_t>>> queued_;
};

}  // namespace kelvara::midi::testing
