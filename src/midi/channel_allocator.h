#pragma once
// The MIDI channels a synthesizer without tuning messages plays one note on each, so that each
// note can have a pitch bend of its own: a range of channels (2 to 16 by default; channel 1
// stays free for whatever plays the synthesizer's own tuning), handed out round robin, the one
// released longest ago first, so that a released note's tail rings on while the next notes
// take other channels.
//
//   ChannelAllocator channels;          // channels 2-16
//   auto channel = channels.acquire();  // 2, then 3, ...; nothing when all 15 sound
//   channels.release(*channel);         // it goes to the back of the line
//
// A value type: copyable, no system resource; one thread at a time.
#include <cstdint>
#include <deque>
#include <optional>

namespace kelvara::midi {

// Channels as musicians and synthesizers number them: 1 to 16.
inline constexpr int32_t kFirstMidiChannel = 1;
inline constexpr int32_t kLastMidiChannel = 16;

class ChannelAllocator {
public:
    // Channels 2 to 16.
    ChannelAllocator() : ChannelAllocator(2, kLastMidiChannel, nullptr) {}
    // Nothing unless 1 <= first <= last <= 16.
    static std::optional<ChannelAllocator> make(int32_t first, int32_t last);

    int32_t first_channel() const { return first_; }
    int32_t last_channel() const { return last_; }
    int32_t channel_count() const { return last_ - first_ + 1; }
    int32_t free_count() const { return static_cast<int32_t>(free_.size()); }

    // The free channel released longest ago (at first in order from the lowest); nothing when
    // every channel sounds.
    std::optional<int32_t> acquire();
    // The channel is free again, the last in line. A channel outside the range, or one not
    // acquired, is ignored.
    void release(int32_t channel);

private:
    ChannelAllocator(int32_t first, int32_t last, std::nullptr_t);
    int32_t first_;
    int32_t last_;
    std::deque<int32_t> free_;  // the line, front first
};

}  // namespace kelvara::midi
