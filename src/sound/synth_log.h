#pragma once
// What FluidSynth and the bank reader under it (libinstpatch) report. FluidSynth has one log
// function for the whole process; install_synth_log() (called before the first synthesizer
// is made) puts Kelvara's in its place for warnings and errors, and one of its own for the
// warnings and failed assertions libinstpatch logs.
//
// - A voice change FluidSynth cannot fit into its event queue is dropped with a warning
//   ("Ringbuffer full"), logged on whichever thread called into the synthesizer: with the
//   channel queue (channel_event_queue.h) that is the audio thread, which must not print.
//   Those warnings are counted instead, lock-free.
// - While a SynthLogCapture lives on a thread, what FluidSynth reports on that thread is kept
//   by it instead of printed, and libinstpatch's complaints are dropped (synth_log.cpp says
//   why): a bank that no loader accepts is refused with FluidSynth's reasons as the refusal's
//   detail, not with lines on the terminal.
// Everything else is printed as before.
#include <cstdint>
#include <string>
#include <vector>

namespace kelvara::sound {

// Idempotent; safe from any thread.
void install_synth_log();

// Voice changes FluidSynth reported it could not queue, in this process so far.
uint64_t synth_queue_overflows();

// Keeps what FluidSynth reports on the constructing thread for as long as it lives (the
// innermost of nested ones). Construct and destroy on the same thread.
class SynthLogCapture {
public:
    SynthLogCapture();
    ~SynthLogCapture();
    SynthLogCapture(const SynthLogCapture&) = delete;
    SynthLogCapture& operator=(const SynthLogCapture&) = delete;

    struct Message {
        int level;  // FluidSynth's: FLUID_WARN, FLUID_ERR, FLUID_PANIC
        std::string text;
    };
    const std::vector<Message>& messages() const { return messages_; }
    // The messages' texts in order, separated by "; ".
    std::string joined() const;
    // Prints the messages kept so far as FluidSynth would have (for an operation that went
    // well after all), and forgets them.
    void print_kept();

    // The log function's end: keeps `text`, without the control characters a message of
    // FluidSynth's sometimes carries.
    void keep(int level, const char* text);

private:
    std::vector<Message> messages_;
    SynthLogCapture* outer_;
};

}  // namespace kelvara::sound
