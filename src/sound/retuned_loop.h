#pragma once
// A looped sample whose loop holds its periods at another pitch: the copy a zone plays when its
// attack and its loop were tuned apart (bank_tuning.h). The attack is kept as it is; the loop
// is resampled (cubic interpolation over the loop, which repeats) so that its periods fit
// `wanted_loop_frames`, a length that need not be a whole number of frames. To come that close
// with whole frames, the new loop may hold the old one several times over.
//
// Pure computation; it allocates. Any thread but the audio thread.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kelvara::sound {

struct RetunedLoop {
    std::vector<int16_t> frames;  // the attack, the new loop, then what followed the old loop
    uint32_t loop_start = 0;
    uint32_t loop_end = 0;  // the first frame after the loop
};

// The longest loop a copy is given (the loop repeated to come near the wanted length).
inline constexpr uint32_t kMaxRetunedLoopFrames = 1u << 16;

// Nothing when the loop is not inside the frames, or the wanted length is not within a
// semitone of the loop's.
std::optional<RetunedLoop> retune_loop(std::span<const int16_t> frames, uint32_t loop_start,
                                       uint32_t loop_end, double wanted_loop_frames);

}  // namespace kelvara::sound
