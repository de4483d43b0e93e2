#include "sound/synth_log.h"

#include <fluidsynth.h>
#include <glib.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace kelvara::sound {
namespace {

// The capture of this thread, if one lives.
thread_local SynthLogCapture* current_capture = nullptr;

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
    if (current_capture != nullptr) {
        current_capture->keep(level, message);
        return;
    }
    fluid_default_log_function(level, message, nullptr);
}

// libinstpatch logs in GLib's default domain. Its DLS reader, which FluidSynth's DLS loader
// hands every file the loaders before it refused, fails an assertion of its own when the
// file is no DLS. bank_file_check.h keeps files that are no bank away from the loaders; for
// what still gets there (a SoundFont damaged inside) the loaders' own messages say what was
// wrong, and the assertion, which says nothing about the file, is left out of them.
void library_message(const gchar* domain, GLogLevelFlags level, const gchar* message,
                     gpointer /*data*/) {
    if (current_capture != nullptr) return;
    g_log_default_handler(domain, level, message, nullptr);
}

}  // namespace

void install_synth_log() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_WARN, log_message, nullptr);
        fluid_set_log_function(FLUID_ERR, log_message, nullptr);
        fluid_set_log_function(FLUID_PANIC, log_message, nullptr);
        g_log_set_handler(nullptr, GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                          library_message, nullptr);
    });
}

uint64_t synth_queue_overflows() {
    return overflow_count().load(std::memory_order_relaxed);
}

SynthLogCapture::SynthLogCapture() : outer_(current_capture) {
    current_capture = this;
}

SynthLogCapture::~SynthLogCapture() {
    current_capture = outer_;
}

void SynthLogCapture::keep(int level, const char* text) {
    std::string kept;
    for (const char* c = text; c != nullptr && *c != '\0'; ++c)
        if (static_cast<unsigned char>(*c) >= 0x20 && *c != 0x7F) kept += *c;
    messages_.push_back({level, std::move(kept)});
}

std::string SynthLogCapture::joined() const {
    std::string text;
    for (const Message& message : messages_) text += (text.empty() ? "" : "; ") + message.text;
    return text;
}

void SynthLogCapture::print_kept() {
    for (const Message& message : messages_)
        fluid_default_log_function(message.level, message.text.c_str(), nullptr);
    messages_.clear();
}

}  // namespace kelvara::sound
