#include "sound/sample_rate_cache.h"

#include <algorithm>
#include <bit>

namespace kelvara::sound {

SampleRateCache::SampleRateCache(size_t capacity)
    : capacity_(std::max<size_t>(capacity, 1)),
      mask_(std::bit_ceil(2 * capacity_) - 1),
      slots_(std::make_unique<Slot[]>(mask_ + 1)) {
    samples_.reserve(capacity_);
}

size_t SampleRateCache::first_slot(const void* owner,
                                   unsigned int rate) const noexcept KELVARA_NONBLOCKING {
    const size_t hash = std::bit_cast<uintptr_t>(owner) * 0x9E3779B97F4A7C15ull ^
                        size_t(rate) * 0xC2B2AE3D27D4EB4Full;
    return (hash ^ (hash >> 29)) & mask_;
}

// Open addressing with linear probing: slots are only ever filled, never emptied, so a
// lookup ends at the first empty slot.
fluid_sample_t* SampleRateCache::find(const void* owner,
                                      unsigned int rate) const noexcept KELVARA_NONBLOCKING {
    for (size_t i = first_slot(owner, rate);; i = (i + 1) & mask_) {
        const Slot& slot = slots_[i];
        fluid_sample_t* sample = slot.sample.load(std::memory_order_acquire);
        if (sample == nullptr) break;
        if (slot.owner == owner && slot.rate == rate) return sample;
    }
    misses_.fetch_add(1, std::memory_order_relaxed);
    return nullptr;
}

bool SampleRateCache::prepare(const void* owner, const SampleSound& sound, unsigned int rate) {
    const std::lock_guard lock(writer_mutex_);
    size_t i = first_slot(owner, rate);
    for (; slots_[i].sample.load(std::memory_order_relaxed) != nullptr; i = (i + 1) & mask_)
        if (slots_[i].owner == owner && slots_[i].rate == rate) return true;
    if (samples_.size() >= capacity_) return false;
    FluidSamplePtr made(new_fluid_sample());
    if (!made || fluid_sample_set_sound_data(made.get(), const_cast<short*>(sound.data), nullptr,
                                             sound.frames, rate, 0) != FLUID_OK)
        return false;
    fluid_sample_set_loop(made.get(), sound.loop_start, sound.loop_end);
    fluid_sample_set_pitch(made.get(), sound.root_key, sound.fine_tune);
    Slot& slot = slots_[i];
    slot.owner = owner;
    slot.rate = rate;
    slot.sample.store(made.get(), std::memory_order_release);
    samples_.push_back(std::move(made));
    return true;
}

size_t SampleRateCache::size() const {
    const std::lock_guard lock(writer_mutex_);
    return samples_.size();
}

}  // namespace kelvara::sound
