#pragma once
// ChannelEventQueue: the one ordered way from the threads that play a synthesizer (the MIDI
// receive thread, the user-interface thread) to the thread that renders it. Every channel
// message goes through it: tones started and stopped, controllers (volume, sustain pedal,
// bank select), instrument selections.
//
// A ring of fixed capacity, allocated when the queue is made. Producers append in order
// (a short producer lock makes the two playing threads one producer); when the ring is full
// a producer waits for the renderer to take events rather than dropping any. The renderer
// takes events lock-free and without allocating, in the order they were appended.
//
// No wait here can hold a thread for long, which is what lets every owner shut down in any
// order:
// - No producer is ever an audio or MIDI callback of JACK (or of any driver): the MIDI
//   inputs copy bytes into rings of their own in those callbacks and deliver from threads of
//   their own, and the audio callback is the renderer, which never waits.
// - close() (the synthesizer is being replaced or goes) makes every push refuse at once,
//   and producers waiting in one return within a wait step.
// - Nobody rendering (an output that was stopped, or an offline renderer that no longer
//   renders) holds a producer for the stall limit once; the queue is then stalled, and every
//   later push refuses at once, until the renderer takes an event again. So a burst that
//   arrives while nothing renders costs its sender one stall limit in all, not one per event,
//   and a MIDI input that ends its delivery (joining its receive thread) is never held longer.
//   What a stalled queue refuses could never have sounded; it is counted in dropped().
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "base/nonblocking.h"

namespace kelvara::sound {

struct ChannelEvent {
    // StartTone plays the selected program, StartTimbreTone the document's timbre whatever
    // is selected; ShiftTone moves a sounding tone (bank_tone_shifts.h).
    enum class Kind : uint8_t {
        StartTone,
        StopTone,
        ControlChange,
        SelectInstrument,
        StartTimbreTone,
        ShiftTone,
    };
    Kind kind = Kind::StopTone;
    uint8_t controller = 0;  // ControlChange
    uint8_t value = 0;       // ControlChange: the value; start events: the velocity, 1 to 127
    // Tone events: the tone's identifier; SelectInstrument: the instrument's index, or
    // kDocumentTimbreIndex.
    uint32_t id = 0;
    float pitch = 0.0f;  // start events: the fractional MIDI pitch
    float cents = 0.0f;  // ShiftTone: cents from the pitch the tone started at
};

class ChannelEventQueue {
public:
    static constexpr std::chrono::milliseconds kStallLimit{3000};

    // Room for at least `capacity` events (rounded up to a power of two). `stall_limit`: how
    // long a producer waits for a renderer that takes nothing before the queue is stalled.
    explicit ChannelEventQueue(size_t capacity,
                               std::chrono::steady_clock::duration stall_limit = kStallLimit);
    ChannelEventQueue(const ChannelEventQueue&) = delete;
    ChannelEventQueue& operator=(const ChannelEventQueue&) = delete;

    // --- producers (any thread but the renderer) ------------------------------------------
    // Appends `event` after everything appended before it, waiting while the ring is full.
    // False when the queue is closed, or stalled (then counted in dropped()).
    bool push(const ChannelEvent& event);
    // Returns once the renderer has taken every event appended before the call, or when the
    // queue is closed or stalled.
    void wait_until_taken() const;
    // From now on push() refuses, and producers waiting in it return.
    void close() { closed_.store(true, std::memory_order_release); }
    uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

    // --- the renderer (one thread at a time) ----------------------------------------------
    // The oldest event not yet taken, or null when there is none. Valid until pop().
    const ChannelEvent* front() const noexcept KELVARA_NONBLOCKING;
    void pop() noexcept KELVARA_NONBLOCKING;

    size_t capacity() const { return mask_ + 1; }

private:
    static constexpr size_t kNotStalled = SIZE_MAX;

    // Waits until the renderer has taken up to `count` (an event count since the start),
    // giving up when the queue is closed or stalls. False when it gave up.
    bool wait_for_taken(size_t count) const;
    bool stalled() const {
        return stalled_at_.load(std::memory_order_acquire) == head_.load(std::memory_order_acquire);
    }

    std::unique_ptr<ChannelEvent[]> slots_;
    size_t mask_;
    std::chrono::steady_clock::duration stall_limit_;
    std::mutex producer_mutex_;                // never taken by the renderer
    alignas(64) std::atomic<size_t> head_{0};  // next slot the renderer takes
    alignas(64) std::atomic<size_t> tail_{0};  // next slot a producer fills
    std::atomic<bool> closed_{false};
    // The renderer's count of taken events when the queue stalled: stalled while the count
    // is still there (the renderer alone moves it, so taking one event ends the stall).
    mutable std::atomic<size_t> stalled_at_{kNotStalled};
    std::atomic<uint64_t> dropped_{0};
};

}  // namespace kelvara::sound
