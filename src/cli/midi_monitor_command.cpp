// `kelvara-cli midi-monitor`: connects sources to the input port "Kelvara Input" and prints
// every message received, one line per packet, for a given time.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/midi_client_option.h"
#include "midi/midi_packet_list.h"
#include "midi/midi_source_list.h"

namespace kelvara::cli {
namespace {

struct MonitorOptions {
    std::string system;
    std::vector<std::string> sources;
    double seconds = 10.0;
};

std::string describe(std::span<const uint8_t> data) {
    if (data.size() != 3) return "";
    const int channel = (data[0] & 0x0F) + 1;
    switch (data[0] & 0xF0) {
        case 0x90:
            return "  note-on key " + std::to_string(data[1]) + " velocity " +
                   std::to_string(data[2]) + " channel " + std::to_string(channel);
        case 0x80:
            return "  note-off key " + std::to_string(data[1]) + " channel " +
                   std::to_string(channel);
        case 0xB0:
            return "  control " + std::to_string(data[1]) + " value " + std::to_string(data[2]) +
                   " channel " + std::to_string(channel);
        default: return "";
    }
}

// Receive thread: prints each packet as hexadecimal bytes and, for the messages a document
// plays, what they are.
void print_packets(const uint8_t* list, size_t size, void*) {
    midi::for_each_midi_packet(list, size, [](const midi::MidiPacket& packet) {
        std::string line;
        char byte[4];
        for (const uint8_t b : packet.data) {
            std::snprintf(byte, sizeof byte, "%02x ", b);
            line += byte;
        }
        if (!line.empty()) line.pop_back();
        std::printf("%s%s\n", line.c_str(), describe(packet.data).c_str());
        std::fflush(stdout);
    });
}

bool wanted(const midi::MidiSourceItem& item, const std::vector<std::string>& names) {
    if (names.empty()) return true;
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return name == item.title || name == item.source.address || name == item.source.name;
    });
}

void run_midi_monitor(const MonitorOptions& options) {
    if (!(options.seconds >= 0.0)) throw UsageError("--seconds must be 0 or more");
    const std::unique_ptr<midi::MidiClient> client = open_cli_midi_client(options.system);
    midi::MidiSourceList sources;
    sources.rescan_sources(*client);
    // The port is declared after the client, so it is disposed of first.
    const std::unique_ptr<midi::MidiInputPort> port =
        client->create_input_port(midi::kMidiInputPortName, &print_packets, nullptr);
    if (!port)
        throw UsageError(
            "no MIDI input port could be created (MIDI system: " + client->system_name() + ")");
    int connected = 0;
    for (const midi::MidiSourceItem& item : sources.source_items()) {
        if (!wanted(item, options.sources) || !port->connect_source(item.source)) continue;
        std::printf("connected: %s\n", item.title.c_str());
        ++connected;
    }
    if (connected == 0 && !options.sources.empty())
        throw UsageError("none of the named MIDI sources is present");
    std::printf("listening for %g s on %s\n", options.seconds, client->system_name().c_str());
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
}

}  // namespace

void add_midi_monitor_command(CLI::App& app) {
    auto options = std::make_shared<MonitorOptions>();
    CLI::App* command =
        app.add_subcommand("midi-monitor", "Connect MIDI sources and print the messages received");
    add_midi_system_option(*command, options->system);
    command->add_option("--source", options->sources,
                        "Source to connect (title, address or name; repeatable; default: all)");
    command->add_option("--seconds", options->seconds, "How long to listen (default 10)");
    command->callback([options] { run_midi_monitor(*options); });
}

}  // namespace kelvara::cli
