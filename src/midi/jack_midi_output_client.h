#pragma once
// The JACK implementation of the sending services. Destinations are the MIDI input ports of
// every other JACK client; the client part of a port's name is its device. The output port
// sends from the process callback (jack_output_port.h).
#include <string_view>

#include "midi/midi_output_system.h"

namespace kelvara::midi {

// See jack_client_opening.h: no server is started, and a name in use gets a suffix.
MidiOutputClientOpening open_jack_midi_output_client(std::string_view client_name);

}  // namespace kelvara::midi
