// `kelvara-cli midi-sources`: the MIDI system in use and the sources a document would offer,
// one line per pop-up item: title, address, stable identifier (tab-separated).
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/midi_client_option.h"
#include "midi/midi_source_list.h"

namespace kelvara::cli {
namespace {

void run_midi_sources(const std::string& system) {
    const std::unique_ptr<midi::MidiClient> client = open_cli_midi_client(system);
    midi::MidiSourceList sources;
    sources.rescan_sources(*client);
    std::printf("MIDI system: %s\n", client->system_name().c_str());
    for (const midi::MidiSourceItem& item : sources.source_items())
        std::printf("%s\t%s\t%d\n", item.title.c_str(), item.source.address.c_str(),
                    item.source.unique_id);
}

}  // namespace

void add_midi_sources_command(CLI::App& app) {
    auto system = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "midi-sources", "List the MIDI system in use and its sources (title, address, id)");
    add_midi_system_option(*command, *system);
    command->callback([system] { run_midi_sources(*system); });
}

}  // namespace kelvara::cli
