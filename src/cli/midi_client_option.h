#pragma once
// The --midi option of the MIDI commands: which MIDI system to use (alsa, jack or none);
// without it, KELVARA_MIDI, else the first system that opens. The same choice opens the
// client that listens and the one that sends.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "midi/midi_input.h"

#include "midi/midi_output_system.h"
#include "midi/midi_system.h"

namespace CLI {
class App;
}

namespace kelvara::cli {

void add_midi_system_option(CLI::App& command, std::string& system);

// Opens the client "Kelvara" in the system asked for. Never null: without a system it is a
// client of none. Why a system did not open is noted on stderr.
std::unique_ptr<midi::MidiClient> open_cli_midi_client(const std::string& system);
// Connects the sources of `input` named by title, address or name (every source when none is
// named, but those whose port is named `unless_named`), printing each; a usage error when
// names were given and none is present.
void connect_named_sources(midi::MidiInput& input, const std::vector<std::string>& names,
                           std::string_view unless_named = {});
// The same for the sending client of a MIDI output.
std::unique_ptr<midi::MidiOutputClient> open_cli_midi_output_client(const std::string& system);

}  // namespace kelvara::cli
