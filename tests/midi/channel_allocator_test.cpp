// The channels of the pitch-bend output: round robin, the one released longest ago first.
#include <gtest/gtest.h>

#include <vector>

#include "midi/channel_allocator.h"

namespace kelvara::midi {
namespace {

TEST(ChannelAllocator, RoundRobinTheLeastRecentlyReleasedFirst) {
    ChannelAllocator channels = *ChannelAllocator::make(2, 5);
    std::vector<int32_t> taken;
    for (int i = 0; i < 3; ++i) taken.push_back(*channels.acquire());
    EXPECT_EQ(taken, (std::vector<int32_t>{2, 3, 4}));
    channels.release(3);
    channels.release(2);
    channels.release(2);  // twice: still once in line
    channels.release(9);  // outside the range: ignored
    // 5 was never taken, then 3 and 2 in the order released.
    EXPECT_EQ(*channels.acquire(), 5);
    EXPECT_EQ(*channels.acquire(), 3);
    EXPECT_EQ(*channels.acquire(), 2);
    channels.release(5);  // the last of the range comes back into line too
    EXPECT_EQ(*channels.acquire(), 5);
    EXPECT_EQ(channels.free_count(), 0);
    EXPECT_FALSE(channels.acquire());
    EXPECT_FALSE(ChannelAllocator::make(0, 4));
    EXPECT_FALSE(ChannelAllocator::make(5, 4));
    EXPECT_FALSE(ChannelAllocator::make(1, 17));
}

}  // namespace
}  // namespace kelvara::midi
