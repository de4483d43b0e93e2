#pragma once
// The ALSA sequencer implementation of the MIDI services. Sources are the readable,
// subscribable, exported ports of every other sequencer client; the client is the source's
// device. The port's receive thread polls the sequencer with a bounded wait and decodes
// events into MIDI bytes. Where the sequencer cannot be opened (no /dev/snd/seq), opening
// fails at once with the system's message and prints nothing.
#include <string_view>

#include "midi/midi_system.h"

namespace kelvara::midi {

MidiClientOpening open_alsa_midi_client(std::string_view client_name);

}  // namespace kelvara::midi
