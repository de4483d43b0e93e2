#include "midi/channel_allocator.h"

#include <algorithm>

namespace kelvara::midi {

ChannelAllocator::ChannelAllocator(int32_t first, int32_t last, std::nullptr_t)
    : first_(first), last_(last) {
    for (int32_t channel = first; channel <= last; ++channel) free_.push_back(channel);
}

std::optional<ChannelAllocator> ChannelAllocator::make(int32_t first, int32_t last) {
    if (first < kFirstMidiChannel || last > kLastMidiChannel || first > last) return std::nullopt;
    return ChannelAllocator(first, last, nullptr);
}

std::optional<int32_t> ChannelAllocator::acquire() {
    if (free_.empty()) return std::nullopt;
    const int32_t channel = free_.front();
    free_.pop_front();
    return channel;
}

void ChannelAllocator::release(int32_t channel) {
    if (channel < first_ || channel > last_) return;
    if (std::find(free_.begin(), free_.end(), channel) != free_.end()) return;
    free_.push_back(channel);
}

}  // namespace kelvara::midi
