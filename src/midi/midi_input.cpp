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
    if (item_index < 0 || static_cast<size_t>(item_index) >= items_.size()) return false;
    const MidiSource& source = items_[static_cast<size_t>(item_index)].source;
    if (!connect_checked(source)) return false;
    checked_ids_.insert(source.unique_id);
    return true;
}

bool MidiInput::toggle_source(int item_index) {
    if (item_index < 0 || static_cast<size_t>(item_index) >= items_.size()) return false;
    picked_ = true;
    const MidiSource& source = items_[static_cast<size_t>(item_index)].source;
    if (checked_ids_.erase(source.unique_id) > 0) {
        if (midi_in_port_) midi_in_port_->disconnect_source(source);
        std::erase_if(connected_, [&](const MidiSource& s) { return s.address == source.address; });
        return true;
    }
    return connect_source(item_index);
}

void MidiInput::follow_sources() {
    // Those that went (or were replaced at their address by another) are no longer connected.
    std::erase_if(connected_, [this](const MidiSource& gone) {
        return std::none_of(items_.begin(), items_.end(),
                            [&](const MidiSourceItem& i) { return i.source == gone; });
    });
    const auto is_checked = [this](const MidiSourceItem& i) {
        return checked_ids_.contains(i.source.unique_id);
    };
    if (!picked_ && !items_.empty() && std::none_of(items_.begin(), items_.end(), is_checked))
        checked_ids_.insert(items_.front().source.unique_id);
    for (const MidiSourceItem& item : items_)
        if (is_checked(item)) connect_checked(item.source);
}

bool MidiInput::is_connected(const MidiSource& source) const {
    return std::any_of(connected_.begin(), connected_.end(),
                       [&](const MidiSource& s) { return s.address == source.address; });
}

bool MidiInput::connect_checked(const MidiSource& source) {
    if (!midi_in_port_ || !midi_in_port_->connect_source(source)) return false;
    if (!is_connected(source)) connected_.push_back(source);
    return true;
}

std::vector<int> MidiInput::connected_items() const {
    std::vector<int> items;
    for (size_t i = 0; i < items_.size(); ++i)
        if (is_connected(items_[i].source)) items.push_back(static_cast<int>(i));
    return items;
}

int MidiInput::connect_all_sources() {
    if (!midi_in_port_) return 0;
    int connected = 0;
    for (const MidiSource& source : midi_sources_.midi_sources())
        if (midi_in_port_->connect_source(source)) ++connected;
    return connected;
}

}  // namespace kelvara::midi
