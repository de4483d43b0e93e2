#pragma once
// A second ALSA sequencer client that receives MIDI for tests: one writable port, read on
// the test's own thread, each event back as the bytes of its message.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midi/alsa_handles.h"

namespace kelvara::midi::testing {

class AlsaTestSink {
public:
    // Opens client `client_name` with a port "MIDI In". Null where the sequencer cannot be
    // opened (no /dev/snd/seq).
    static std::unique_ptr<AlsaTestSink> open(const std::string& client_name);

    // The port's address, "client:port".
    std::string address() const;
    // Waits until at least `count` messages have arrived, at most `timeout`, and takes every
    // message that has arrived.
    std::vector<std::vector<uint8_t>> take(
        size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    AlsaTestSink() = default;
    void read_pending(std::vector<std::vector<uint8_t>>& arrived);

    AlsaSequencerHandle seq_;
    AlsaMidiDecoderHandle decoder_;
    int port_ = -1;
};

}  // namespace kelvara::midi::testing
