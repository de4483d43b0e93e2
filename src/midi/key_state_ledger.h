#pragma once
// KeyStateLedger: what a MIDI input's relay (midi_event_relay.h) keeps when its bounded ring
// from the taking thread (JACK's process thread, the ALSA sequencer's reading thread) to its
// delivery thread fills, so that no release is ever lost.
//
// The taking thread records the state every channel message leaves behind (each key down
// with its velocity or up, each controller's value) whether or not the message fits in the
// ring; a message that does not fit is only counted. The delivery thread notes what it
// delivers, and after draining the ring, if anything was lost, delivers the messages that
// bring the keys and controllers from what it delivered to what the sender left: a key the
// sender released is released, a key still held is struck (once, at the last velocity), a
// controller takes its last value. The state after a burst is then exactly the sender's;
// what happened in between is merged, and the count of merged messages is reported.
//
// Threads: record(), lost() and release_held_keys() on the taking thread, without locks,
// allocation or waits; everything else on the delivery thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "base/nonblocking.h"

namespace kelvara::midi {

class KeyStateLedger {
public:
    using Message = std::array<uint8_t, 3>;

    KeyStateLedger();

    // --- the process thread -----------------------------------------------------------------
    // Notes the state a complete message leaves (note-on, note-off, control change); others
    // change nothing.
    void record(std::span<const uint8_t> message) noexcept KELVARA_NONBLOCKING;
    // A message recorded but not queued for the receive thread.
    void lost() noexcept KELVARA_NONBLOCKING;
    // Messages were lost before they could be recorded (the ALSA sequencer dropped them): which
    // keys the sender still holds is unknown, and a key left sounding is worse than one cut
    // short, so every key is taken as released until the sender strikes it again.
    void release_held_keys() noexcept KELVARA_NONBLOCKING;

    // --- the receive thread -----------------------------------------------------------------
    // Notes a message as delivered.
    void delivered(std::span<const uint8_t> message);
    // When messages were lost since the last call: the messages that bring what was delivered
    // to the sender's state (each then counts as delivered). Call after draining the ring.
    std::vector<Message> reconcile();

    // Messages lost on the way and merged into the state delivered by reconcile().
    uint64_t merged() const { return merged_.load(std::memory_order_relaxed); }

private:
    static constexpr int kChannels = 16;
    static constexpr int kKeys = 128;
    static constexpr int16_t kUnknown = -1;  // a controller never sent

    static size_t slot(int channel, int number) { return size_t(channel * kKeys + number); }
    void note(const Message& message, std::vector<Message>& out);

    // The sender's state: a key's velocity (0 while up), a controller's value or kUnknown.
    std::array<std::atomic<uint8_t>, kChannels * kKeys> keys_{};
    std::array<std::atomic<int16_t>, kChannels * kKeys> controllers_{};
    std::atomic<bool> lost_{false};
    std::atomic<uint64_t> merged_{0};
    // What the receive thread delivered.
    std::array<uint8_t, kChannels * kKeys> delivered_keys_{};
    std::array<int16_t, kChannels * kKeys> delivered_controllers_{};
};

}  // namespace kelvara::midi
