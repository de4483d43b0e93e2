#include "sound/audio_graph.h"

namespace kelvara::sound {

AudioGraph::AudioGraph(std::unique_ptr<SynthEngine> engine, std::string backend)
    : requested_backend_(std::move(backend)), engine_(std::move(engine)) {}

AudioGraph::~AudioGraph() {
    stop();
}

void AudioGraph::start() {
    const std::lock_guard lock(output_mutex_);
    if (!output_) output_ = open_audio_output(*engine_, requested_backend_);
}

void AudioGraph::stop() {
    std::unique_ptr<AudioOutput> stopping;
    {
        const std::lock_guard lock(output_mutex_);
        stopping = std::move(output_);
    }
    // Joins the audio thread outside the lock, so is_running() never waits on it.
}

bool AudioGraph::is_running() const {
    const std::lock_guard lock(output_mutex_);
    return output_ != nullptr;
}

std::string AudioGraph::backend() const {
    const std::lock_guard lock(output_mutex_);
    return output_ ? output_->backend() : std::string();
}

}  // namespace kelvara::sound
