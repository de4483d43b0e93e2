#pragma once
// SampleRateCache: the FluidSynth samples a synthesizer's own presets play, one per sound and
// playback rate. The exact-pitch loader and the document's timbre keep a voice's pitch in
// whole cents and put the rest of the frequency ratio into the rate of the sample the voice
// plays, so every distinct pitch of a sound needs a sample of its own over the same data.
//
// The playing threads prepare the samples a tone needs before its start is queued
// (prepare()); the audio thread, which starts the tone, only looks them up (find()), and a
// sample it does not find is counted, not made: the tone then plays the sound's sample at its
// own rate, made when the cache was, tuned to the nearest cent. The capacity is fixed when the
// cache is made (when the bank loads): a full cache prepares nothing more, and a sample, once
// handed to a voice, is never changed or freed while the cache lives, since FluidSynth reads it for
// as long as the voice plays.
#include <fluidsynth.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "base/nonblocking.h"
#include "sound/fluid_handles.h"

namespace kelvara::sound {

// What a sample plays: 16-bit mono data with its loop and root pitch.
struct SampleSound {
    const short* data = nullptr;
    unsigned int frames = 0;
    unsigned int loop_start = 0;
    unsigned int loop_end = 0;  // the first frame after the loop
    int root_key = 60;
    int fine_tune = 0;  // cents
};

class SampleRateCache {
public:
    // Room for `capacity` samples.
    explicit SampleRateCache(size_t capacity);
    SampleRateCache(const SampleRateCache&) = delete;
    SampleRateCache& operator=(const SampleRateCache&) = delete;

    // Makes the sample of `sound` (identified by `owner`, which never plays another sound) at
    // `rate` unless it is there. False when the cache is full or FluidSynth makes no sample.
    // Any thread but the audio thread.
    bool prepare(const void* owner, const SampleSound& sound, unsigned int rate);

    // The sample prepared for `owner` at `rate`, or null (counted in misses()). The audio
    // thread; no lock, no allocation.
    fluid_sample_t* find(const void* owner, unsigned int rate) const noexcept KELVARA_NONBLOCKING;

    size_t size() const;
    size_t capacity() const { return capacity_; }
    uint64_t misses() const { return misses_.load(std::memory_order_relaxed); }

private:
    struct Slot {
        std::atomic<fluid_sample_t*> sample{nullptr};  // set last: the slot is then complete
        const void* owner = nullptr;
        unsigned int rate = 0;
    };
    size_t first_slot(const void* owner, unsigned int rate) const noexcept KELVARA_NONBLOCKING;

    size_t capacity_;
    size_t mask_;  // slots: a power of two, at least twice the capacity
    std::unique_ptr<Slot[]> slots_;
    mutable std::mutex writer_mutex_;  // never taken by find()
    std::vector<FluidSamplePtr> samples_;
    mutable std::atomic<uint64_t> misses_{0};
};

}  // namespace kelvara::sound
