#include "midi/midi_input.h"

#include <algorithm>
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
    items_ = midi_sources_.source_items();
}

bool MidiInput::connect_source(int item_index) {
    if (!midi_in_port_ || item_index < 0 || static_cast<size_t>(item_index) >= items_.size())
        return false;
    return midi_in_port_->connect_source(items_[static_cast<size_t>(item_index)].source);
}

bool MidiInput::select_source(int item_index) {
    if (item_index < 0 || static_cast<size_t>(item_index) >= items_.size()) return false;
    picked_id_ = items_[static_cast<size_t>(item_index)].source.unique_id;
    return connect_selected(static_cast<size_t>(item_index));
}

void MidiInput::follow_sources() {
    const auto item_where = [this](auto is_it) -> std::optional<size_t> {
        const auto found = std::find_if(items_.begin(), items_.end(), is_it);
        if (found == items_.end()) return std::nullopt;
        return static_cast<size_t>(found - items_.begin());
    };
    // The source picked last; else the one selected, while listed; else the first.
    std::optional<size_t> item = item_where(
        [this](const auto& i) { return picked_id_ && i.source.unique_id == *picked_id_; });
    if (!item)
        item = item_where(
            [this](const auto& i) { return selected_ && i.source.address == selected_->address; });
    if (!item && !items_.empty()) item = 0;
    if (item) {
        connect_selected(*item);
        return;
    }
    if (selected_ && midi_in_port_) midi_in_port_->disconnect_source(*selected_);
    selected_.reset();
}

bool MidiInput::connect_selected(size_t item) {
    const MidiSource& source = items_[item].source;
    if (selected_ && midi_in_port_ && selected_->address != source.address)
        midi_in_port_->disconnect_source(*selected_);
    selected_.reset();
    // Also when it was selected already: a source that went and came back under the same
    // address lost its connection on the way.
    if (!midi_in_port_ || !midi_in_port_->connect_source(source)) return false;
    selected_ = source;
    return true;
}

std::optional<int> MidiInput::selected_item() const {
    if (!selected_) return std::nullopt;
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].source.address == selected_->address) return static_cast<int>(i);
    return std::nullopt;
}

int MidiInput::connect_all_sources() {
    if (!midi_in_port_) return 0;
    int connected = 0;
    for (const MidiSource& source : midi_sources_.midi_sources())
        if (midi_in_port_->connect_source(source)) ++connected;
    return connected;
}

}  // namespace kelvara::midi
