// The channel queue between the playing threads and the renderer: closing the queue releases a
// sender waiting for room without counting a loss; and a renderer that takes nothing holds a
// sender once, never once per event, so a MIDI input can always end. (A burst far larger than
// the ring, through both MIDI systems into the synthesizer, ends silent: midi_burst_test in
// tests/document.)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sound/channel_event_queue.h"

namespace kelvara::sound {
namespace {

using namespace std::chrono_literals;

TEST(ChannelEventQueue, ClosingReleasesASenderWaitingForRoom) {
    ChannelEventQueue queue(2);
    ASSERT_TRUE(queue.push({}));
    ASSERT_TRUE(queue.push({}));
    std::atomic<int> result{-1};
    std::jthread sender([&] { result = queue.push({}) ? 1 : 0; });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(result.load(), -1) << "a full ring makes the sender wait";
    queue.close();
    sender.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(queue.dropped(), 0u) << "its synthesizer goes: nothing was lost to a listener";
}

TEST(ChannelEventQueue, NobodyRenderingHoldsASenderOnceAndTakingEndsTheStall) {
    constexpr int kBurst = 100;
    // A stall limit far above a scheduling delay on a busy machine, so that the renderer
    // below always takes in time.
    ChannelEventQueue queue(2, 1s);
    ASSERT_TRUE(queue.push({}));
    ASSERT_TRUE(queue.push({}));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBurst; ++i) EXPECT_FALSE(queue.push({}));
    queue.wait_until_taken();
    // Waiting once per event would take kBurst stall limits (100 s).
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s) << "a sender waited per event";
    EXPECT_EQ(queue.dropped(), uint64_t(kBurst)) << "every refused event counts";

    queue.pop();  // the renderer is back: there is room, and a full ring makes senders wait
    ASSERT_TRUE(queue.push({}));
    std::jthread renderer([&] {
        std::this_thread::sleep_for(20ms);
        queue.pop();
    });
    EXPECT_TRUE(queue.push({})) << "a renderer that takes again ends the stall";
    EXPECT_EQ(queue.dropped(), uint64_t(kBurst));
}

}  // namespace
}  // namespace kelvara::sound
