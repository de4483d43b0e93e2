// `kelvara-cli midi-out FILE.kelvara --port DEST`: a document played from MIDI sources on a
// synthesizer outside Kelvara, headless. In MTS mode the destination first gets the bulk
// tuning dump of the scale and each tone plays on the key tuned nearest it; in bend mode each
// sounding tone gets a channel of its own (2-16 by default) with its pitch bend sent before
// its note-on, after the bend range (registered parameter 0) on every channel. Either plays
// the chord map, or with --play scale the scale on the keys.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "cli/midi_client_option.h"
#include "document/document.h"
#include "document/document_io.h"
#include "document/midi_playback.h"
#include "document/midi_tuning_sender.h"
#include "document/pitch_bend_player.h"
#include "document/tuned_key_player.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"

namespace kelvara::cli {
namespace {

constexpr double kMaxPlaySeconds = 24.0 * 3600.0;
constexpr std::chrono::seconds kSendWait{5};

struct MidiOutOptions {
    std::string document;
    std::string port;
    std::string mode = "bend";
    std::string play = "chords";
    int32_t bend_range = kDefaultBendRangeSemitones;
    int32_t first_channel = 2;
    int32_t last_channel = 16;
    int32_t reference_key = kDefaultReferenceKey;
    std::string system;
    std::vector<std::string> sources;
    double seconds = 60.0;
};

void connect(midi::MidiOutput& output, const MidiOutOptions& options) {
    const std::optional<size_t> index = output.find_destination(options.port);
    if (!index)
        throw UsageError("no MIDI destination named '" + options.port + "' (MIDI system: " +
                         output.system_name() + "; kelvara-cli midi-destinations lists them)");
    if (!output.connect_destination(*index))
        throw UsageError("the MIDI destination '" + options.port + "' cannot be connected");
}

KeyFrequencies scale_on_keys(const Document& document, const TuningChoice& choice) {
    Result<ScaleTuning> tuning = document.scale_tuning(choice, "");
    if (!tuning) throw DocumentFileFailure(tuning.error());
    return key_frequencies(*tuning);
}

void run_midi_out(const MidiOutOptions& options) {
    if (!(options.seconds > 0.0 && options.seconds <= kMaxPlaySeconds))
        throw UsageError("--seconds must be above 0 and at most 86400");
    const auto channels = midi::ChannelAllocator::make(options.first_channel, options.last_channel);
    if (!channels)
        throw UsageError(
            "--first-channel and --last-channel must lie within 1-16, the first not above the "
            "last");
    Document document;
    read_document(options.document, document);
    TuningChoice choice;
    choice.reference_key = options.reference_key;
    const bool scale = options.play == "scale";
    const bool mts = options.mode == "mts";
    midi::MidiOutput output(open_cli_midi_output_client(options.system));
    connect(output, options);

    std::shared_ptr<midi::NotePlayer> player;
    if (mts) {
        MidiTuningSender sender(output, choice);
        const std::string name = std::filesystem::path(options.document).stem().string();
        if (const Result<void> sent = sender.send_dump(document, name); !sent)
            throw DocumentFileFailure(sent.error());
        player = std::make_shared<TunedKeyPlayer>(output, scale_on_keys(document, choice));
        std::printf("sent the tuning dump to %s\n", options.port.c_str());
    } else {
        auto bend = std::make_shared<PitchBendPlayer>(
            output, PitchBendSettings{*channels, options.bend_range},
            [](const std::string& why) { std::fprintf(stderr, "kelvara-cli: %s\n", why.c_str()); });
        if (!bend->send_bend_ranges()) throw UsageError("the bend range could not be sent");
        std::printf("bend range %d semitones on channels %d-%d\n", options.bend_range,
                    channels->first_channel(), channels->last_channel());
        player = bend;
    }
    std::shared_ptr<const midi::ChordLookup> lookup;
    if (scale)
        lookup = std::make_shared<TunedKeyLookup>(scale_on_keys(document, choice));
    else
        lookup = std::make_shared<PublishedChordLookup>(document.chords().published());
    auto last_played = std::make_shared<midi::LastPlayedKey>([](int key) {
        std::printf("key %d\n", key);  // on the receive thread; nothing else prints then
        std::fflush(stdout);
    });
    {
        midi::MidiInput input(open_cli_midi_client(options.system), {player, lookup, last_played});
        // Never the output's own port: what it sends would come back and play again.
        connect_named_sources(input, options.sources, midi::kMidiOutputPortName);
        std::printf("playing for %g s\n", options.seconds);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
    }
    output.wait_until_sent(kSendWait);
}

}  // namespace

void add_midi_out_command(CLI::App& app) {
    auto options = std::make_shared<MidiOutOptions>();
    CLI::App* command = app.add_subcommand(
        "midi-out",
        "Play a document from MIDI sources on a MIDI destination: tuned by a tuning dump (mts) "
        "or by one channel and pitch bend per note (bend)");
    command->add_option("FILE", options->document, "A .kelvara document")->required();
    command
        ->add_option("--port", options->port,
                     "The destination: its title or address as midi-destinations lists them")
        ->required();
    command->add_option("--mode", options->mode, "mts or bend (default bend)")
        ->check(CLI::IsMember({"mts", "bend"}));
    command->add_option("--play", options->play, "chords (the chord map, default) or scale")
        ->check(CLI::IsMember({"chords", "scale"}));
    command
        ->add_option("--bend-range", options->bend_range,
                     "Pitch-bend range in semitones, sent as registered parameter 0 (default 2)")
        ->check(CLI::Range(1, kMaxBendRangeSemitones));
    command->add_option("--first-channel", options->first_channel,
                        "Lowest channel of the bend mode (default 2)");
    command->add_option("--last-channel", options->last_channel,
                        "Highest channel of the bend mode (default 16)");
    command
        ->add_option("--reference-key", options->reference_key,
                     "The MIDI key that sounds the base frequency (default 60)")
        ->check(CLI::Range(kLowestMidiKey, kHighestMidiKey));
    add_midi_system_option(*command, options->system);
    command->add_option("--source", options->sources,
                        "Source to connect (title, address or name; repeatable; default: all)");
    command->add_option("--seconds", options->seconds, "How long to play (default 60)");
    command->callback([options] { run_midi_out(*options); });
}

}  // namespace kelvara::cli
