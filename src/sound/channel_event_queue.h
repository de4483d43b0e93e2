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
// A producer gives up only when the queue is closed (its synthesizer is being replaced: the
// events would play on a synthesizer that goes) or when nothing has been taken for
// kStallLimit (nobody renders the synthesizer, so the event could never sound); the second
// counts as dropped.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace kelvara::sound {

struct ChannelEvent {
    enum class Kind : uint8_t { StartTone, StopTone, ControlChange, SelectInstrument };
    Kind kind = Kind::StopTone;
    uint8_t controller = 0;  // ControlChange
    uint8_t value = 0;       // ControlChange: the value; StartTone: the velocity, 1 to 127
    // StartTone, StopTone: the tone's identifier; SelectInstrument: the instrument's index.
    uint32_t id = 0;
    float pitch = 0.0f;  // StartTone: fractional MIDI pitch
};

class ChannelEventQueue {
public:
    static constexpr std::chrono::milliseconds kStallLimit{3000};

    // Room for at least `capacity` events (rounded up to a power of two).
    explicit ChannelEventQueue(size_t capacity);
    ChannelEventQueue(const ChannelEventQueue&) = delete;
    ChannelEventQueue& operator=(const ChannelEventQueue&) = delete;

    // --- producers (any thread but the renderer) ------------------------------------------
    // Appends `event` after everything appended before it, waiting while the ring is full.
    // False when the queue is closed, or stalled (then counted in dropped()).
    bool push(const ChannelEvent& event);
    // Returns once the renderer has taken every event appended before the call, or when it
    // has taken none for kStallLimit.
    void wait_until_taken() const;
    // From now on push() refuses, and producers waiting in it return.
    void close() { closed_.store(true, std::memory_order_release); }
    uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

    // --- the renderer (one thread at a time) ----------------------------------------------
    // The oldest event not yet taken, or null when there is none. Valid until pop().
    const ChannelEvent* front() const noexcept;
    void pop() noexcept;

    size_t capacity() const { return mask_ + 1; }

private:
    std::unique_ptr<ChannelEvent[]> slots_;
    size_t mask_;
    std::mutex producer_mutex_;                // never taken by the renderer
    alignas(64) std::atomic<size_t> head_{0};  // next slot the renderer takes
    alignas(64) std::atomic<size_t> tail_{0};  // next slot a producer fills
    std::atomic<bool> closed_{false};
    std::atomic<uint64_t> dropped_{0};
};

}  // namespace kelvara::sound
