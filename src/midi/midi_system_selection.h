#pragma once
// Which MIDI system a document uses, for its input and its output alike. Unless one is asked
// for (KELVARA_MIDI=alsa|jack|none, or the command line's --midi), the ALSA sequencer when it
// opens, else JACK when a server runs, else none: an empty source (or destination) list, and
// everything else works as before.
#include <optional>
#include <string>
#include <string_view>

#include "midi/midi_output_system.h"
#include "midi/midi_system.h"

namespace kelvara::midi {

enum class MidiSystemKind { Alsa, Jack, None };

inline constexpr const char* kMidiSystemEnvironmentVariable = "KELVARA_MIDI";

// "alsa", "jack" or "none"; nothing for any other text.
std::optional<MidiSystemKind> midi_system_kind_from_name(std::string_view name);

// The system KELVARA_MIDI asks for; nothing when it is unset or empty. An unknown value is
// reported in `problem` and otherwise ignored.
std::optional<MidiSystemKind> midi_system_from_environment(std::string* problem);

// Opens the client `client_name` in the system asked for, or in the first that opens. The
// client is never null: when no system opens it is a client of no system ("none"), and
// `failure` says why each system tried did not open.
MidiClientOpening open_midi_client(std::string_view client_name,
                                   std::optional<MidiSystemKind> asked_for);
// The same for the sending client of a MIDI output: never null, "none" when no system opens.
MidiOutputClientOpening open_midi_output_client(std::string_view client_name,
                                                std::optional<MidiSystemKind> asked_for);

}  // namespace kelvara::midi
