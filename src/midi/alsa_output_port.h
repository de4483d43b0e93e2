#pragma once
// The ALSA sequencer output port and its sending thread (see alsa_midi_output_client.h).
// Messages are queued whole; the sending thread writes each as one sequencer event straight
// to the port's subscribers (a system-exclusive message as one variable-length event), and
// waits, a little at a time, while the sequencer has no room.
//
// Threads: construction, every member function and destruction on the user-interface
// thread; the sending loop on the port's own thread, which alone writes events.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

#include "midi/alsa_handles.h"
#include "midi/midi_output_system.h"

namespace kelvara::midi {

class AlsaOutputPort final : public MidiOutputPort {
public:
    // Creates the port and starts its sending thread; null when the sequencer refuses. The
    // sequencer must outlive the port.
    static std::unique_ptr<AlsaOutputPort> create(snd_seq_t* seq, std::string_view name);
    // Stops and joins the sending thread (what is still queued is dropped), then deletes the
    // port.
    ~AlsaOutputPort() override;
    AlsaOutputPort(const AlsaOutputPort&) = delete;
    AlsaOutputPort& operator=(const AlsaOutputPort&) = delete;

    // A subscription from this port to the destination; the sequencer routes through it at
    // once.
    bool connect_destination(const MidiDestination& destination) override;
    void disconnect_destination(const MidiDestination& destination) override;
    bool send(std::span<const uint8_t> message) override;
    bool wait_until_sent(std::chrono::milliseconds timeout) override;
    uint64_t dropped_messages() const override { return dropped_.load(std::memory_order_relaxed); }

    explicit AlsaOutputPort(snd_seq_t* seq);

private:
    void send_loop(const std::stop_token& stop);
    // Writes one message to the subscribers; false when the sequencer refused it or had no
    // room for it in time.
    bool write_event(std::span<const uint8_t> message, const std::stop_token& stop);

    snd_seq_t* const seq_;
    int port_ = -1;

    std::mutex mutex_;
    std::condition_variable_any queued_;  // a message was queued
    std::condition_variable sent_;        // the queue ran empty
    // Guarded by mutex_: the messages waiting, their bytes, and whether the sending thread
    // holds one it has not written yet.
    std::deque<std::vector<uint8_t>> queue_;
    size_t queued_bytes_ = 0;
    bool writing_ = false;
    std::atomic<uint64_t> dropped_{0};

    // Sending-thread state.
    AlsaMidiEncoderHandle encoder_;

    std::jthread sender_;  // last: started after, and joined before, everything above
};

}  // namespace kelvara::midi
