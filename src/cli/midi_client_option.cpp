#include "cli/midi_client_option.h"

#include <CLI/CLI.hpp>
#include <algorithm>
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

namespace {

bool wanted(const midi::MidiSourceItem& item, const std::vector<std::string>& names) {
    if (names.empty()) return true;
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return name == item.title || name == item.source.address || name == item.source.name;
    });
}

// The system asked for by --midi, else by KELVARA_MIDI (a value it does not know is noted).
std::optional<midi::MidiSystemKind> asked_for(const std::string& system) {
    std::string problem;
    std::optional<midi::MidiSystemKind> kind = system.empty()
                                                   ? midi::midi_system_from_environment(&problem)
                                                   : midi::midi_system_kind_from_name(system);
    if (!problem.empty()) std::fprintf(stderr, "kelvara-cli: note: %s\n", problem.c_str());
    return kind;
}

void note_failure(const std::string& failure) {
    if (!failure.empty()) std::fprintf(stderr, "kelvara-cli: note: %s\n", failure.c_str());
}

}  // namespace

std::unique_ptr<midi::MidiClient> open_cli_midi_client(const std::string& system) {
    midi::MidiClientOpening opening =
        midi::open_midi_client(midi::kMidiClientName, asked_for(system));
    note_failure(opening.failure);
    return std::move(opening.client);
}

std::unique_ptr<midi::MidiOutputClient> open_cli_midi_output_client(const std::string& system) {
    midi::MidiOutputClientOpening opening =
        midi::open_midi_output_client(midi::kMidiClientName, asked_for(system));
    note_failure(opening.failure);
    return std::move(opening.client);
}

void connect_named_sources(midi::MidiInput& input, const std::vector<std::string>& names,
                           std::string_view unless_named) {
    const auto& items = input.source_items();
    int connected = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const bool skipped =
            names.empty() && !unless_named.empty() && items[i].source.name == unless_named;
        if (skipped || !wanted(items[i], names) || !input.connect_source(static_cast<int>(i)))
            continue;
        std::printf("connected: %s\n", items[i].title.c_str());
        ++connected;
    }
    if (connected == 0 && !names.empty())
        throw UsageError("none of the named MIDI sources is present");
}

}  // namespace kelvara::cli
