// The relay both MIDI inputs hand their events through, without a MIDI system: a burst pushed
// far faster than the receive callback takes it fills the ring, and what is delivered still
// ends with every key released, as the sender left them.
#include "midi/midi_event_relay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>
#include <thread>

#include "midi/key_burst.h"

namespace kelvara::midi {
namespace {

using namespace std::chrono_literals;

// The keys down as a receive callback slower than the burst was told.
struct SlowReceiver {
    static void deliver(const uint8_t* list, size_t size, void* self) {
        auto& receiver = *static_cast<SlowReceiver*>(self);
        std::this_thread::sleep_for(200us);
        const std::scoped_lock lock(receiver.mutex);
        for_each_midi_packet(list, size, [&](const MidiPacket& packet) {
            const auto& bytes = packet.data;
            if (bytes.size() == 3) receiver.down[bytes[1]] = (bytes[0] & 0xF0) == 0x90 && bytes[2];
        });
    }
    int keys_down() {
        const std::scoped_lock lock(mutex);
        return int(std::count(down.begin(), down.end(), true));
    }
    std::mutex mutex;
    std::array<bool, 128> down{};
};

TEST(MidiEventRelay, ABurstThatFillsTheRingEndsWithEveryKeyReleased) {
    SlowReceiver receiver;
    MidiEventRelay relay(&SlowReceiver::deliver, &receiver);
    ASSERT_TRUE(relay.valid());
    relay.start();
    for (const auto& message : testing::key_burst(30000)) relay.push(0, message);
    // Settled: no key down, twice in a row.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (int quiet = 0; quiet < 2 && std::chrono::steady_clock::now() < deadline;) {
        quiet = receiver.keys_down() == 0 ? quiet + 1 : 0;
        std::this_thread::sleep_for(50ms);
    }
    relay.stop();
    EXPECT_EQ(receiver.keys_down(), 0);
    EXPECT_GT(relay.merged(), 0u) << "the burst never filled the ring";
}

}  // namespace
}  // namespace kelvara::midi
