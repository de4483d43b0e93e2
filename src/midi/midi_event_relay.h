#pragma once
// MidiEventRelay: how a MIDI input hands its events from the thread that takes them from the
// MIDI system (JACK's process thread; the ALSA sequencer's reading thread) to the thread that
// plays them. The taking thread must never wait for the playing one: JACK's because it is
// real-time, the sequencer's because the kernel drops what its reader leaves too long.
//
// push() copies a message into a bounded lock-free ring (libjack's, which needs no server)
// and notes the state it leaves (key_state_ledger.h); a message the ring has no room for is
// only counted. The relay's delivery thread moves what the ring holds into packet lists for
// the receive callback, then delivers what brings the keys and controllers to the state the
// sender left, so that a burst merges messages but never loses a release.
//
// Threads: push() on the one taking thread, without locks, allocation or waits; the receive
// callback and the optional `between_looks` hook on the delivery thread, which looks at the
// ring every millisecond while it is empty (waking it would be a system call on the taking
// side); merged() from any thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <thread>
#include <vector>

#include "base/nonblocking.h"
#include "midi/jack_handles.h"
#include "midi/key_state_ledger.h"
#include "midi/midi_packet_list.h"
#include "midi/midi_system.h"

namespace kelvara::midi {

class MidiEventRelay {
public:
    // `deliver` and `between_looks` must outlive the relay. The ring is made here and the
    // delivery thread started by start(): valid() is false when the ring could not be made.
    MidiEventRelay(PacketListCallback deliver, void* deliver_context,
                   std::function<void()> between_looks = {});
    // Stops and joins the delivery thread: no callback runs after it returns.
    ~MidiEventRelay();
    MidiEventRelay(const MidiEventRelay&) = delete;
    MidiEventRelay& operator=(const MidiEventRelay&) = delete;

    bool valid() const { return ring_ != nullptr; }
    void start();
    void stop();

    // The taking thread: queues one complete message, stamped `time_stamp`.
    void push(uint64_t time_stamp, std::span<const uint8_t> message) noexcept KELVARA_NONBLOCKING;
    // The taking thread: messages were lost before they reached it; every key held is
    // released (key_state_ledger.h).
    void lost_unseen() noexcept KELVARA_NONBLOCKING { ledger_.release_held_keys(); }

    // Messages the ring had no room for, merged into the state delivered after them.
    uint64_t merged() const { return ledger_.merged(); }

private:
    void delivery_loop(const std::stop_token& stop);
    bool drain_ring_into_list();
    void deliver_merged_state();

    const PacketListCallback deliver_;
    void* const deliver_context_;
    const std::function<void()> between_looks_;
    JackRingbufferHandle ring_;
    KeyStateLedger ledger_;
    std::atomic<uint64_t> last_time_stamp_{0};

    // Delivery-thread state, reused from list to list.
    MidiPacketListWriter list_;
    std::vector<uint8_t> message_;

    std::jthread delivery_;  // last: started after, and joined before, everything above
};

}  // namespace kelvara::midi
