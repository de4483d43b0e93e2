// The relay both MIDI inputs hand their events through, without a MIDI system: a burst pushed
// far faster than the receive callback takes it fills the ring, and what is delivered still
// ends in exactly the key state the sender left.
#include "midi/midi_event_relay.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <mutex>
#include <thread>

namespace kelvara::midi {
namespace {

using namespace std::chrono_literals;

constexpr int kKeys = 25;
constexpr uint8_t kLowestKey = 48;

// The keys as the receive callback was told, from a callback slower than the burst.
struct SlowReceiver {
    static void deliver(const uint8_t* list, size_t size, void* self) {
        auto& receiver = *static_cast<SlowReceiver*>(self);
        std::this_thread::sleep_for(200us);
        const std::scoped_lock lock(receiver.mutex);
        for_each_midi_packet(list, size, [&](const MidiPacket& packet) {
            const auto& bytes = packet.data;
            if (bytes.size() != 3 || bytes[1] < kLowestKey || bytes[1] >= kLowestKey + kKeys)
                return;
            const bool on = (bytes[0] & 0xF0) == 0x90 && bytes[2] > 0;
            receiver.keys[size_t(bytes[1] - kLowestKey)] = on ? bytes[2] : 0;
        });
    }
    std::array<uint8_t, kKeys> state() {
        const std::scoped_lock lock(mutex);
        return keys;
    }
    std::mutex mutex;
    std::array<uint8_t, kKeys> keys{};
};

TEST(MidiEventRelay, ABurstThatFillsTheRingEndsInTheSendersKeyState) {
    SlowReceiver receiver;
    MidiEventRelay relay(&SlowReceiver::deliver, &receiver);
    ASSERT_TRUE(relay.valid());
    relay.start();
    std::array<uint8_t, kKeys> sent{};
    for (int i = 0; i < 30000; ++i) {
        const int k = (i * 7 + i / kKeys) % kKeys;
        const uint8_t velocity = sent[size_t(k)] > 0 ? 0 : uint8_t(40 + i % 80);
        relay.push(uint64_t(i), std::array<uint8_t, 3>{velocity > 0 ? uint8_t(0x90) : uint8_t(0x80),
                                                       uint8_t(kLowestKey + k), velocity});
        sent[size_t(k)] = velocity;
    }
    // Every key but two released at the end.
    for (int k = 0; k < kKeys; ++k) {
        const uint8_t velocity = k == 3 || k == 17 ? uint8_t(77) : uint8_t(0);
        relay.push(0, std::array<uint8_t, 3>{0x90, uint8_t(kLowestKey + k), velocity});
        sent[size_t(k)] = velocity;
    }
    // Settled: the sender's state, twice in a row.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (int matches = 0; matches < 2 && std::chrono::steady_clock::now() < deadline;) {
        matches = receiver.state() == sent ? matches + 1 : 0;
        std::this_thread::sleep_for(50ms);
    }
    relay.stop();
    EXPECT_EQ(receiver.state(), sent);
    EXPECT_GT(relay.merged(), 0u) << "the burst never filled the ring";
}

}  // namespace
}  // namespace kelvara::midi
