#include "sound/synth_log.h"

#include <fluidsynth.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace kelvara::sound {
namespace {

// FluidSynth's log hook takes a plain function and a data pointer and is process-wide, so
// the count it feeds is too.
std::atomic<uint64_t>& overflow_count() {
    static std::atomic<uint64_t> count{0};
    return count;
}

void log_message(int level, const char* message, void* /*data*/) {
    if (message != nullptr && std::strstr(message, "Ringbuffer full") != nullptr) {
        overflow_count().fetch_add(1, std::memory_order_relaxed);
        return;
    }
    fluid_default_log_function(level, message, nullptr);
}

}  // namespace

void install_synth_log() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_WARN, log_message, nullptr);
        fluid_set_log_function(FLUID_ERR, log_message, nullptr);
        fluid_set_log_function(FLUID_PANIC, log_message, nullptr);
    });
}

uint64_t synth_queue_overflows() {
    return overflow_count().load(std::memory_order_relaxed);
}

}  // namespace kelvara::sound
