#pragma once
// A private JACK server with the dummy backend (no sound card, no realtime, no D-Bus) for
// the duration of a test. Its name is unique to the process and is made the default server
// for JACK clients of this process.
#include <sys/types.h>

#include <string>

namespace kelvara::testing {

class JackDummyServer {
public:
    JackDummyServer();
    ~JackDummyServer();
    JackDummyServer(const JackDummyServer&) = delete;
    JackDummyServer& operator=(const JackDummyServer&) = delete;

    // False, with why(), when jackd could not be started or did not accept clients in time.
    bool running() const { return ready_; }
    const std::string& why() const { return why_; }

private:
    bool wait_until_ready();

    std::string name_;
    pid_t pid_ = -1;
    bool ready_ = false;
    std::string why_;
};

}  // namespace kelvara::testing
