// `kelvara-cli play FILE.kelvara` and `kelvara-cli midi-play --chord KEY=CHORD...`: a
// document's (or the command line's) chord map played from MIDI, headless.
// Opens the MIDI input, connects the named sources (all when none is named), plays the chord
// map through the synthesizer and prints each note-on key as it arrives; the sound goes to
// the audio output, or with --wav is rendered in real time into a WAV file.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "cli/midi_client_option.h"
#include "cli/wav_file.h"
#include "document/adaptive_setup.h"
#include "document/document.h"
#include "document/instrument_rig.h"
#include "document/synth_channel.h"
#include "engine/curve_definition.h"
#include "engine/tone_partials.h"
#include "midi/midi_input.h"
#include "scales/chord_map.h"
#include "scales/chord_text.h"
#include "sound/synth_controller.h"

namespace kelvara::cli {
namespace {

constexpr double kMaxPlaySeconds = 24.0 * 3600.0;
constexpr int kRenderBlockFrames = 512;
constexpr double kReleaseTailSeconds = 0.5;

struct PlayOptions {
    std::string document;  // a document file whose chord map is played
    std::vector<std::string> chords;
    std::string system;
    std::vector<std::string> sources;
    std::string bank;
    double seconds = 60.0;
    std::string wav;
    bool adaptive = false;
    int glide_ms = 40;
    std::optional<int> program;  // the bank's; none: the document's timbre
};

// A document whose chord map is the --chord options, "KEY=CHORD" (or "KEY:CHORD") each as
// `new` takes them, in the order given.
void map_chords(Document& document, const std::vector<std::string>& texts) {
    DocumentFileState state = document.state();
    for (const std::string& text : texts) {
        auto [key, chord] = parse_chord_argument(text);
        if (state.chords.contains(key))
            throw UsageError("key " + std::to_string(key) + " is mapped twice");
        state.midi_note_numbers.push_back(key);
        state.chords[key] = std::move(chord.tones);
        if (!chord.root_form.empty()) state.chord_root_forms[key] = std::move(chord.root_form);
    }
    if (const Result<void> applied = document.apply_state(state); !applied)
        throw UsageError("--chord: " + applied.error().located_detail());
}

// Renders `seconds` of the stopped synthesizer at the pace of the clock, so that notes
// arriving meanwhile land where they were played.
StereoBuffer render_in_real_time(SynthController& synth, double seconds) {
    StereoBuffer recorded;
    const double rate = synth.sample_rate();
    const auto frames = static_cast<size_t>(seconds * rate);
    const auto start = std::chrono::steady_clock::now();
    while (recorded.left.size() < frames) {
        const int block =
            static_cast<int>(std::min<size_t>(kRenderBlockFrames, frames - recorded.left.size()));
        const std::optional<StereoBuffer> audio = synth.render_offline(block);
        if (!audio) throw std::runtime_error("the synthesizer could not render");
        append_audio(recorded, *audio);
        std::this_thread::sleep_until(
            start +
            std::chrono::duration<double>(static_cast<double>(recorded.left.size()) / rate));
    }
    return recorded;
}

// A burst faster than the notes could be played is merged, never lost, and a voice without
// its exact sample plays to the nearest cent: say how much of either.
void report_merged(const midi::MidiInput& input, const SynthController& synth) {
    if (const uint64_t merged = input.merged_events(); merged > 0)
        std::printf(
            "merged %llu MIDI messages that arrived faster than they could be played; "
            "the keys end as the sender left them\n",
            static_cast<unsigned long long>(merged));
    if (const uint64_t inexact = synth.voices_to_nearest_cent(); inexact > 0)
        std::printf("%llu voices played to the nearest cent rather than exactly\n",
                    static_cast<unsigned long long>(inexact));
}

// --adaptive: the keys play the document's timbre, and what sounds is tuned to its nearest
// minimum of dissonance whenever a key goes down or up.
void play_adaptively(InstrumentRig& rig, const Document& document, int glide_ms) {
    if (glide_ms < 0 || glide_ms > 10000)
        throw UsageError("--glide-ms must be from 0 to 10000 milliseconds");
    rig.channel().set_timbre(tone_partials(document.curve().timbre()));
    rig.set_adaptive_tuning(
        adaptive_tuning_setup(document, {}, std::chrono::milliseconds(glide_ms)));
}

void run_play(const PlayOptions& options) {
    if (!(options.seconds > 0.0 && options.seconds <= kMaxPlaySeconds))
        throw UsageError("--seconds must be above 0 and at most 86400");
    // The document is declared first: the rig, which plays its published chord map, goes
    // before it.
    Document document;
    if (options.document.empty())
        map_chords(document, options.chords);
    else
        read_document(options.document, document);
    InstrumentRig::Setup setup;
    setup.sound.pitch_true = document.pitch_true();
    if (!options.wav.empty()) {
        check_wav_target(options.wav);  // refused now, not after the whole session
        setup.sound.backend = "null";   // rendered here, never to a device
    }
    setup.midi_client = open_cli_midi_client(options.system);
    InstrumentRig rig(document.chords().published(), std::move(setup));
    if (!rig.synthesizer_built()) throw std::runtime_error("the synthesizer could not be built");
    SynthController& synth = rig.synth();
    if (!options.bank.empty()) {
        if (const Result<void> loaded = synth.load_bank(options.bank); !loaded)
            throw DocumentFileFailure(loaded.error());
    }
    // As a window plays the document: at its volume.
    rig.channel().set_midi_parameter(kChannelVolumeController,
                                     static_cast<uint32_t>(document.volume()));
    // A bank's program, or "Document timbre"; either glides to a fraction of a cent.
    if (options.program)
        select_program(synth, *options.program);
    else if (options.adaptive)
        rig.select_program(0);
    if (options.adaptive) play_adaptively(rig, document, options.glide_ms);
    if (!options.wav.empty()) synth.stop();
    rig.on_note_played([](int key) {
        std::printf("key %d\n", key);  // on the receive thread; nothing else prints then
        std::fflush(stdout);
    });
    connect_named_sources(rig.midi_input(), options.sources);
    std::printf("playing for %g s (MIDI system: %s)\n", options.seconds,
                rig.midi_system_name().c_str());
    std::fflush(stdout);
    if (options.wav.empty()) {
        std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
        report_merged(rig.midi_input(), synth);
        return;
    }
    StereoBuffer recorded = render_in_real_time(synth, options.seconds);
    report_merged(rig.midi_input(), synth);
    rig.close_midi_input();  // no more notes; the tail lets the last ones fade
    const std::optional<StereoBuffer> tail =
        synth.render_offline(static_cast<int>(kReleaseTailSeconds * synth.sample_rate()));
    if (tail) append_audio(recorded, *tail);
    write_wav_file(options.wav, recorded, static_cast<int>(synth.sample_rate()));
    std::printf("wrote %s\n", options.wav.c_str());
}

}  // namespace

namespace {

void add_play_options(CLI::App& command, PlayOptions& options) {
    add_midi_system_option(command, options.system);
    command.add_option("--source", options.sources,
                       "Source to connect (title, address or name; repeatable; default: all)");
    command.add_option("--bank", options.bank, "A .sf2, .sf3 or .dls bank");
    command.add_option("--seconds", options.seconds, "How long to play (default 60)");
    command.add_option("--wav", options.wav, "Record to this WAV file instead of sounding");
    command.add_flag(
        "--adaptive", options.adaptive,
        "Adaptive tuning: the keys play the document's timbre (or --program), and "
        "whenever a key goes down or up the sounding tones glide to the nearest minimum of their "
        "dissonance, the lowest note held");
    command.add_option("--glide-ms", options.glide_ms,
                       "How long an adaptive glide takes, in milliseconds (default 40)");
    command.add_option("--program", options.program,
                       "The bank's program the keys play, its index as `programs` lists it "
                       "(with --adaptive its tones glide to a fraction of a cent as the document's "
                       "timbre's do; default with --adaptive: the document's timbre)");
}

}  // namespace

void add_midi_play_command(CLI::App& app) {
    auto options = std::make_shared<PlayOptions>();
    CLI::App* command = app.add_subcommand(
        "midi-play", "Play a chord map from MIDI sources through the synthesizer, headless");
    command
        ->add_option("--chord", options->chords,
                     "A mapped key: KEY=CHORD as `new` takes it (KEY:CHORD too) (repeatable)")
        ->required();
    add_play_options(*command, *options);
    command->callback([options] { run_play(*options); });

    auto document = std::make_shared<PlayOptions>();
    CLI::App* play = app.add_subcommand(
        "play", "Play a document's chord map from MIDI sources through the synthesizer, headless");
    play->add_option("FILE", document->document, "A .kelvara document")->required();
    add_play_options(*play, *document);
    play->callback([document] { run_play(*document); });
}

}  // namespace kelvara::cli
