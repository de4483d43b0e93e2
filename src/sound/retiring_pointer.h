#pragma once
// RetiringPointer: a value the audio thread reads while other threads replace it, without a
// lock, an allocation or a free on the audio thread.
//
// A writer publishes a new value with one atomic pointer swap; the value it replaces is
// retired to a list that only writers free, once every block that could have read it has
// ended. A block is counted by the renderer's block counter (SynthEngine counts each block it
// finishes), so a value retired while the counter was at n is freed once the counter is past
// n. While nothing renders, retired values wait for the next write or for the pointer's end.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "base/nonblocking.h"

namespace kelvara::sound {

template <typename T>
class RetiringPointer {
public:
    // `blocks_rendered` must outlive the pointer.
    explicit RetiringPointer(const std::atomic<uint64_t>& blocks_rendered,
                             std::unique_ptr<const T> initial = nullptr)
        : blocks_rendered_(blocks_rendered), current_(initial.get()), owned_(std::move(initial)) {}
    RetiringPointer(const RetiringPointer&) = delete;
    RetiringPointer& operator=(const RetiringPointer&) = delete;

    // Writers, never the audio thread: makes `next` the value, and frees what no block can
    // still read.
    void publish(std::unique_ptr<const T> next) {
        const std::lock_guard lock(writer_mutex_);
        current_.store(next.get(), std::memory_order_seq_cst);
        const uint64_t rendering = blocks_rendered_.load(std::memory_order_seq_cst);
        retired_.push_back({std::exchange(owned_, std::move(next)), rendering});
        free_unreachable();
    }

    // The audio thread (and any reader): the value as last published, or null. Valid until
    // the end of the block in which it was read.
    const T* get() const noexcept KELVARA_NONBLOCKING {
        return current_.load(std::memory_order_seq_cst);
    }

    // Any other reader: calls `use` with the value as last published (or null), which no
    // writer frees while `use` runs.
    template <typename Use>
    void read(Use&& use) const {
        const std::lock_guard lock(writer_mutex_);
        use(current_.load(std::memory_order_relaxed));
    }

    // Values retired so far and not freed yet.
    size_t retired() const {
        const std::lock_guard lock(writer_mutex_);
        return retired_.size();
    }

private:
    struct Retired {
        std::unique_ptr<const T> value;
        uint64_t blocks_when_retired;
    };

    void free_unreachable() {
        const uint64_t rendered = blocks_rendered_.load(std::memory_order_seq_cst);
        std::erase_if(retired_, [&](const Retired& r) {
            return !r.value || rendered > r.blocks_when_retired;
        });
    }

    const std::atomic<uint64_t>& blocks_rendered_;
    std::atomic<const T*> current_;
    mutable std::mutex writer_mutex_;  // never taken by get()
    std::unique_ptr<const T> owned_;
    std::vector<Retired> retired_;
};

}  // namespace kelvara::sound
