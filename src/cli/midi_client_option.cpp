#include "cli/midi_client_option.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/commands.h"
#include "midi/midi_system_selection.h"

namespace kelvara::cli {

void add_midi_system_option(CLI::App& command, std::string& system) {
    command
        .add_option("--midi", system,
                    "MIDI system: alsa, jack or none (default: KELVARA_MIDI, "
                    "else the ALSA sequencer, else JACK)")
        ->check(CLI::IsMember({"alsa", "jack", "none"}));
}

std::unique_ptr<midi::MidiClient> open_cli_midi_client(const std::string& system) {
    std::string problem;
    std::optional<midi::MidiSystemKind> asked_for =
        system.empty() ? midi::midi_system_from_environment(&problem)
                       : midi::midi_system_kind_from_name(system);
    if (!problem.empty()) std::fprintf(stderr, "kelvara-cli: note: %s\n", problem.c_str());
    midi::MidiClientOpening opening = midi::open_midi_client(midi::kMidiClientName, asked_for);
    if (!opening.failure.empty())
        std::fprintf(stderr, "kelvara-cli: note: %s\n", opening.failure.c_str());
    return std::move(opening.client);
}

}  // namespace kelvara::cli
