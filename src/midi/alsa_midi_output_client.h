#pragma once
// The ALSA sequencer implementation of the sending services. Destinations are the writable,
// subscribable, exported ports of every other sequencer client (synthesizers, hardware MIDI
// outputs, "Midi Through"); the client is the destination's device. Where the sequencer
// cannot be opened (no /dev/snd/seq), opening fails at once with the system's message and
// prints nothing.
#include <string_view>

#include "midi/midi_output_system.h"

namespace kelvara::midi {

MidiOutputClientOpening open_alsa_midi_output_client(std::string_view client_name);

}  // namespace kelvara::midi
