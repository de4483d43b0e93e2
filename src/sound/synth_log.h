#pragma once
// What FluidSynth reports while it plays. FluidSynth has one log function for the whole
// process; install_synth_log() (called before the first synthesizer is made) puts Kelvara's
// in its place for warnings and errors.
//
// A voice change FluidSynth cannot fit into its event queue is dropped with a warning
// ("Ringbuffer full"), logged on whichever thread called into the synthesizer: with the
// channel queue (channel_event_queue.h) that is the audio thread, which must not print. Those
// warnings are counted instead, lock-free; every other message goes to FluidSynth's default
// printer as before.
#include <cstdint>

namespace kelvara::sound {

// Idempotent; safe from any thread.
void install_synth_log();

// Voice changes FluidSynth reported it could not queue, in this process so far.
uint64_t synth_queue_overflows();

}  // namespace kelvara::sound
