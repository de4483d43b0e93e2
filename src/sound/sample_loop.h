#pragma once
// A sample's loop as a voice plays it: from the first frame on, and past the loop's end the
// loop over and over. `loop_end` is the first frame after the loop.
#include <cstddef>
#include <cstdint>

namespace kelvara::sound {

// Whether the loop lies inside a sample of `frames` frames and holds at least two.
inline bool loop_lies_inside(size_t frames, uint32_t loop_start, uint32_t loop_end) {
    return loop_start + 1 < loop_end && loop_end <= frames;
}

// The frame played at position `n` of a looping sample (the loop lying inside it).
inline size_t looped_frame(size_t n, uint32_t loop_start, uint32_t loop_end) {
    return n < loop_end ? n : loop_start + (n - loop_start) % (loop_end - loop_start);
}

}  // namespace kelvara::sound
