// `kelvara-cli midi-destinations`: the MIDI system in use and the destinations a document
// could send its tuning to, one line each: title and address (tab-separated). Either names
// the destination for `mts send --port`.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/midi_client_option.h"
#include "midi/midi_output.h"

namespace kelvara::cli {
namespace {

void run_midi_destinations(const std::string& system) {
    const midi::MidiOutput output(open_cli_midi_output_client(system));
    std::printf("MIDI system: %s\n", output.system_name().c_str());
    const std::vector<std::string> titles = output.destination_titles();
    for (size_t i = 0; i < titles.size(); ++i)
        std::printf("%s\t%s\n", titles[i].c_str(), output.destinations()[i].address.c_str());
}

}  // namespace

void add_midi_destinations_command(CLI::App& app) {
    auto system = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "midi-destinations",
        "List the MIDI system in use and the destinations a tuning can be sent to (title, "
        "address)");
    add_midi_system_option(*command, *system);
    command->callback([system] { run_midi_destinations(*system); });
}

}  // namespace kelvara::cli
