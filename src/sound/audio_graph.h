#pragma once
// A synthesizer engine and the output it plays through while running. Start and stop come
// from the user-interface thread; the engine is shared with the MIDI thread through the
// controller's graph pointer.
#include <memory>
#include <mutex>
#include <string>

#include "sound/audio_output.h"
#include "sound/synth_engine.h"

namespace kelvara::sound {

class AudioGraph {
public:
    // `backend` is what open_audio_output() takes: empty to try the devices in order, or a
    // backend name ("null" never touches a device).
    AudioGraph(std::unique_ptr<SynthEngine> engine, std::string backend);
    ~AudioGraph();
    AudioGraph(const AudioGraph&) = delete;
    AudioGraph& operator=(const AudioGraph&) = delete;

    SynthEngine& engine() const { return *engine_; }

    void start();
    void stop();
    bool is_running() const;
    // The backend that is rendering, or empty when stopped.
    std::string backend() const;

private:
    std::string requested_backend_;
    // Destroyed after output_: no callback can run once the engine is gone.
    std::unique_ptr<SynthEngine> engine_;
    mutable std::mutex output_mutex_;
    std::unique_ptr<AudioOutput> output_;
};

}  // namespace kelvara::sound
