#pragma once
// Sampled sound held in memory for analysis: one vector of samples per channel (full scale is
// ±1.0), all channels of the same length, and a part of it counted in sample frames.
#include <cstdint>
#include <vector>

namespace kelvara {

struct AudioChannels {
    int32_t sample_rate_hz = 0;
    std::vector<std::vector<float>> channels;

    int64_t frame_count() const {
        return channels.empty() ? 0 : static_cast<int64_t>(channels.front().size());
    }
    double duration_seconds() const {
        return sample_rate_hz > 0 ? static_cast<double>(frame_count()) / sample_rate_hz : 0.0;
    }
};

// Frames [start, start + count) of some audio.
struct FrameRange {
    int64_t start = 0;
    int64_t count = 0;

    int64_t end() const { return start + count; }
    friend bool operator==(const FrameRange&, const FrameRange&) = default;
};

}  // namespace kelvara
