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
    : _targets(checked(std::move(targets))),
      _handler(*_targets.player, *_targets.chords, *_targets.last_played),
      _midi_client(checked(std::move(client))) {
    if (sources_changed) _midi_client->set_sources_changed_callback(std::move(sources_changed));
    scan_for_midi_source();
    _midi_in_port = _midi_client->create_input_port(kMidiInputPortName, &midi_read_proc, &_handler);
}

MidiInput::~MidiInput() {
    // The members' order already does this; spelled out because it is what keeps the
    // receive thread away from a released synthesizer.
    _midi_in_port.reset();
    _midi_client.reset();
}

void MidiInput::scan_for_midi_source() {
    _midi_sources.scan_for_midi_source(*_midi_client);
}

const std::vector<MidiSourceItem>& MidiInput::fill_in_midi_source_list() {
    _items = _midi_sources.fill_in_midi_source_list();
    return _items;
}

bool MidiInput::midi_source_selected(int item_index) {
    if (!_midi_in_port || item_index < 0 || static_cast<size_t>(item_index) >= _items.size())
        return false;
    return _midi_in_port->connect_source(_items[static_cast<size_t>(item_index)].source);
}

int MidiInput::connect_all_sources() {
    if (!_midi_in_port) return 0;
    int connected = 0;
    for (const MidiSource& source : _midi_sources.midi_sources())
        if (_midi_in_port->connect_source(source)) ++connected;
    return connected;
}

}  // namespace kelvara::midi
