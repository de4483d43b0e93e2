#pragma once
// The JACK implementation of the MIDI services. Sources are the MIDI output ports of every
// JACK client; the client part of a port's name is its device. The process callback hands
// each event to the port's relay (midi_event_relay.h), whose delivery thread turns them into
// packet lists for the receive callback, so the callback never runs on JACK's real-time
// thread. The sources-changed callback runs on that delivery thread too, never on libjack's
// notification thread, which libjack cancels wherever it is when the client closes.
//
// A server is never started: with none running, opening fails at once. A second client of
// the same name gets another name from the server ("Kelvara-01"); connections use the name
// the server gave.
#include <string_view>

#include "midi/midi_system.h"

namespace kelvara::midi {

MidiClientOpening open_jack_midi_client(std::string_view client_name);

}  // namespace kelvara::midi
