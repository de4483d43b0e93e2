#pragma once
// A few threads of our own taking numbered tasks in turn until all are done or a stop is
// asked for. For work whose tasks differ in length (the rows of half a square): each thread
// takes the next task as soon as it finishes one.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace kelvara {

// The threads run_parallel_tasks uses for `count` tasks when asked for `threads` (0: one
// per processor).
inline int32_t parallel_thread_count(int32_t count, int32_t threads) {
    const auto processors = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    return std::clamp(threads > 0 ? threads : processors, 1, std::max(count, 1));
}

// Runs task(thread, k) for k from 0 to count - 1 on parallel_thread_count(count, threads)
// threads numbered from 0, the calling thread among them. A thread starts no new task once
// `stop` reads true. Returns whether every task ran.
template <typename Task>
bool run_parallel_tasks(int32_t count, int32_t threads, const std::atomic<bool>* stop,
                        const Task& task) {
    std::atomic<int32_t> next{0};
    std::atomic<bool> stopped{false};
    auto work = [&](int32_t thread) {
        for (int32_t k = next++; k < count; k = next++) {
            if (stop && stop->load(std::memory_order_relaxed)) {
                stopped = true;
                return;
            }
            task(thread, k);
        }
    };
    const int32_t used = parallel_thread_count(count, threads);
    {
        std::vector<std::jthread> pool;
        for (int32_t t = 1; t < used; ++t) pool.emplace_back(work, t);
        work(0);
    }
    return !stopped;
}

}  // namespace kelvara
