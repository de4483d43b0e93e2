#include "sound/channel_event_queue.h"

#include <algorithm>
#include <bit>
#include <thread>

namespace kelvara::sound {
namespace {

// How long a producer sleeps before it looks at a full ring again: a fraction of one
// rendered block (256 frames are 5.3 ms at 48 kHz).
constexpr auto kWaitStep = std::chrono::microseconds(200);

}  // namespace

ChannelEventQueue::ChannelEventQueue(size_t capacity,
                                     std::chrono::steady_clock::duration stall_limit)
    : slots_(std::make_unique<ChannelEvent[]>(std::bit_ceil(std::max<size_t>(capacity, 2)))),
      mask_(std::bit_ceil(std::max<size_t>(capacity, 2)) - 1),
      stall_limit_(stall_limit) {}

bool ChannelEventQueue::push(const ChannelEvent& event) {
    while (!closed_.load(std::memory_order_acquire)) {
        size_t tail = 0;
        {
            const std::lock_guard lock(producer_mutex_);
            tail = tail_.load(std::memory_order_relaxed);
            if (tail - head_.load(std::memory_order_acquire) <= mask_) {
                slots_[tail & mask_] = event;
                tail_.store(tail + 1, std::memory_order_release);
                return true;
            }
        }
        // Full: there is room once the renderer has taken the oldest event in the ring.
        if (!wait_for_taken(tail - mask_)) {
            if (!closed_.load(std::memory_order_acquire))
                dropped_.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
    }
    return false;
}

void ChannelEventQueue::wait_until_taken() const {
    wait_for_taken(tail_.load(std::memory_order_acquire));
}

bool ChannelEventQueue::wait_for_taken(size_t count) const {
    size_t taken = head_.load(std::memory_order_acquire);
    auto last_progress = std::chrono::steady_clock::now();
    while (taken < count) {  // counts of 64 bits: they never wrap
        if (closed_.load(std::memory_order_acquire) || stalled()) return false;
        std::this_thread::sleep_for(kWaitStep);
        const auto now = std::chrono::steady_clock::now();
        if (const size_t head = head_.load(std::memory_order_acquire); head != taken) {
            taken = head;
            last_progress = now;
        } else if (now - last_progress > stall_limit_) {
            stalled_at_.store(head, std::memory_order_release);
            return false;
        }
    }
    return true;
}

const ChannelEvent* ChannelEventQueue::front() const noexcept KELVARA_NONBLOCKING {
    const size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return nullptr;
    return &slots_[head & mask_];
}

void ChannelEventQueue::pop() noexcept KELVARA_NONBLOCKING {
    head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

}  // namespace kelvara::sound
