#include "midi/midi_input.h"

#include <stdexcept>

namespace kelvara::midi {

MidiPlaybackTargets MidiInput::checked(MidiPlaybackTargets targets) {
    if (!targets.player || !targets.chords || !targets.last_played)
        throw std::invalid_argument("MIDI input needs a player, a chord lookup and a key sink");
    return targets;
}

std::unique_ptr<MidiClient> MidiInput::checked(std::unique_ptr<MidiClient> client) {
    if (!client) throw std::invalid_argument("MIDI input needs a client");
    return client;
}

MidiInput::MidiInput(std::unique_ptr<MidiClient> client, MidiPlaybackTargets targets,
                     std::function<void()> sources_changed)
    : targets_(checked(std::move(targets))),
      handler_(*targets_.player, *targets_.chords, *targets_.last_played),
      midi_client_(checked(std::move(client))) {
    if (sources_changed) midi_client_->set_sources_changed_callback(std::move(sources_changed));
    rescan_sources();
    midi_in_port_ = midi_client_->create_input_port(kMidiInputPortName,
                                                    &handle_packet_list_callback, &handler_);
}

MidiInput::~MidiInput() {
    // The members' order already does this; spelled out because it is what keeps the
    // receive thread away from a released synthesizer.
    midi_in_port_.reset();
    midi_client_.reset();
}

void MidiInput::rescan_sources() {
    midi_sources_.rescan_sources(*midi_client_);
}

const std::vector<MidiSourceItem>& MidiInput::source_items() {
    items_ = midi_sources_.source_items();
    return items_;
}

bool MidiInput::connect_source(int item_index) {
    if (!midi_in_port_ || item_index < 0 || static_cast<size_t>(item_index) >= items_.size())
        return false;
    return midi_in_port_->connect_source(items_[static_cast<size_t>(item_index)].source);
}

int MidiInput::connect_all_sources() {
    if (!midi_in_port_) return 0;
    int connected = 0;
    for (const MidiSource& source : midi_sources_.midi_sources())
        if (midi_in_port_->connect_source(source)) ++connected;
    return connected;
}

}  // namespace kelvara::midi
