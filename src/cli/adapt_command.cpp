// `kelvara-cli adapt [FILE] --keys K...`: the keys' notes held as a chord and tuned to the
// local minimum of their total dissonance with the document's timbre (or the one the timbre
// options give): one CSV row per note (key, nominal Hz, adapted Hz, cents moved), then the
// chord's dissonance before and after.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/curve_options.h"
#include "cli/offline_synth.h"
#include "cli/wav_file.h"
#include "document/adaptive_midi_retune.h"
#include "engine/adaptive_tuning.h"
#include "engine/curve_definition.h"
#include "engine/equal_temperament.h"
#include "engine/tone_partials.h"
#include "persistence/atomic_file.h"
#include "persistence/standard_midi_file.h"

namespace kelvara::cli {
namespace {

struct AdaptOptions {
    CurveOptions curve;
    std::vector<int32_t> keys;
    std::string mapping = "tet";
    std::string anchor = "lowest";
    bool context = false;
    AdaptationSettings settings;
    std::string midi_in;
    std::string midi_out;
    bool bend = false;
    int32_t bend_range = 2;
    std::string wav;
};

// How long the last note rings on in a render.
constexpr double kRenderTailSeconds = 1.0;

// --wav: what the retuned file plays, with the document's timbre: each note started at its
// adapted pitch and glided to each retune, both exactly.
void render_performance(const RetunedMidiFile& retuned, const StandardMidiFile& input,
                        const Curve& curve, const std::string& wav) {
    check_wav_target(wav);
    const MidiFileClock clock(input);
    const std::vector<PerformedNoteEvent>& events = retuned.performance;
    const double end = events.empty() ? 0.0 : clock.seconds_at(events.back().tick);
    if (end > kMaxRenderSeconds)
        throw UsageError("--wav renders at most 600 seconds; the file plays for " +
                         std::to_string(int(end)));
    auto controller = offline_controller("");
    controller->set_document_timbre(tone_partials(curve.timbre()));
    controller->select_document_timbre();
    const double rate = controller->sample_rate();
    StereoBuffer audio;
    int64_t rendered = 0;
    const auto render_until = [&](double seconds) {
        const int64_t frame = std::llround(seconds * rate);
        if (frame <= rendered) return;
        const auto block = controller->render_offline(int(frame - rendered));
        if (!block) throw std::runtime_error("the synthesizer could not render");
        append_audio(audio, *block);
        rendered = frame;
    };
    struct Sounding {
        int32_t id;
        float started_hz;
    };
    std::map<int32_t, Sounding> sounding;  // by the note's number
    for (const PerformedNoteEvent& e : events) {
        render_until(clock.seconds_at(e.tick));
        const auto it = sounding.find(e.note);
        switch (e.kind) {
            case PerformedNoteEvent::Kind::Start: {
                const auto ids = controller->timbre_notes_on({float(e.hz)}, float(e.velocity));
                sounding[e.note] = {ids.at(0), float(e.hz)};
                break;
            }
            case PerformedNoteEvent::Kind::Retune:
                if (it != sounding.end())
                    controller->glide_note(it->second.id, it->second.started_hz, float(e.hz));
                break;
            case PerformedNoteEvent::Kind::Stop:
                if (it != sounding.end()) {
                    controller->notes_off({it->second.id});
                    sounding.erase(it);
                }
                break;
        }
    }
    render_until(end + kRenderTailSeconds);
    write_wav_file(wav, audio, int(rate));
}

std::string shortest(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

// "lowest", "mean" or "spring:W".
void read_anchor(const std::string& text, AdaptationSettings& settings) {
    if (text == "lowest") return void(settings.anchor = TuningAnchor::LowestNote);
    if (text == "mean") return void(settings.anchor = TuningAnchor::MeanPitch);
    const std::string spring = "spring:";
    double weight = -1.0;
    if (text.starts_with(spring)) {
        const char* begin = text.data() + spring.size();
        const char* end = text.data() + text.size();
        const auto [at, error] = std::from_chars(begin, end, weight);
        if (error != std::errc() || at != end) weight = -1.0;
    }
    if (!(weight >= 0.0 && std::isfinite(weight)))
        throw UsageError("--anchor takes lowest, mean or spring:W with a weight W of 0 or more");
    settings.anchor = TuningAnchor::Spring;
    settings.spring_weight = weight;
}

// The notes of the keys: equal temperament from A4 = 440 Hz, or every tone of each key's
// chord in the document's chord map.
std::vector<double> nominal_notes(const Document& doc, const AdaptOptions& options) {
    std::vector<double> hz;
    for (const int32_t key : options.keys) {
        if (key < 0 || key > 127) throw UsageError("--keys takes MIDI keys from 0 to 127");
        if (options.mapping == "tet") {
            hz.push_back(equal_tempered_hz(key));
            continue;
        }
        const auto chord = doc.chords().chord_for_key(key);
        if (!chord)
            throw UsageError("Key " + std::to_string(key) + " has no chord in the chord map");
        for (const float tone : *chord) hz.push_back(tone);
    }
    return hz;
}

// --midi IN --out OUT: the file retuned as it plays, and one line of what was done.
void run_adapt_midi(const AdaptOptions& options, const Curve& curve) {
    if (options.midi_out.empty()) throw UsageError("--midi needs --out OUT.mid");
    const Result<std::string> bytes = read_whole_file(options.midi_in, kMaxMidiFileBytes);
    if (!bytes) throw DocumentFileFailure(bytes.error());
    const Result<StandardMidiFile> input =
        parse_standard_midi_file({reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()});
    if (!input) throw DocumentFileFailure(input.error());
    MidiRetuneSettings settings{
        options.settings, options.bend ? RetuneOutput::BendChannels : RetuneOutput::TuningChanges,
        options.bend_range};
    const Result<RetunedMidiFile> retuned = retune_midi_file(
        *input, timbre_partials(curve.timbre()), curve.roughness_model(), settings);
    if (!retuned) throw UsageError(refusal_text(retuned.error()));
    const std::vector<uint8_t> out = write_standard_midi_file(retuned->file);
    if (const Result<void> written = write_file_atomically(
            options.midi_out, {reinterpret_cast<const char*>(out.data()), out.size()});
        !written)
        throw DocumentFileFailure(written.error());
    if (!options.wav.empty()) render_performance(*retuned, *input, curve, options.wav);
    const MidiRetuneSummary& s = retuned->summary;
    std::printf("%d notes retuned with %d %s, largest move %.3f cents, %d untuned\n", s.notes,
                s.messages_added, options.bend ? "pitch bends" : "tuning changes",
                s.largest_move_cents, s.untuned_notes);
}

void run_adapt(AdaptOptions options) {
    read_anchor(options.anchor, options.settings);
    Document doc;
    load_curve_document(doc, options.curve);
    const Curve& curve = doc.curve();
    if (!options.midi_in.empty()) {
        if (!options.keys.empty()) throw UsageError("--keys and --midi exclude each other");
        if (options.mapping != "tet") throw UsageError("--midi plays the keys in --mapping tet");
        return run_adapt_midi(options, curve);
    }
    if (options.keys.empty()) throw UsageError("adapt needs --keys K... or --midi IN.mid");
    ChordToAdapt chord{
        nominal_notes(doc, options), timbre_partials(curve.timbre()), curve.roughness_model(), {}};
    if (options.context)
        for (const float ratio : doc.tables().fixed_tones())
            chord.context_hz.push_back(double(curve.timbre().base_frequency) * ratio);
    const Result<AdaptedChord> adapted = adapt_chord(chord, options.settings);
    if (!adapted) throw UsageError(refusal_text(adapted.error()));
    std::printf("key,nominal_hz,adapted_hz,cents\n");
    size_t note = 0;
    for (const int32_t key : options.keys) {
        const size_t tones = options.mapping == "tet" ? 1 : doc.chords().chord_for_key(key)->size();
        for (size_t t = 0; t < tones; ++t, ++note)
            std::printf(
                "%d,%s,%s,%.3f\n", key, shortest(chord.nominal_hz[note]).c_str(),
                shortest(adapted->adapted_hz[note]).c_str(),
                std::fabs(adapted->moved_cents[note]) < 0.0005 ? 0.0 : adapted->moved_cents[note]);
    }
    std::printf("dissonance %s -> %s\n", shortest(adapted->dissonance_before).c_str(),
                shortest(adapted->dissonance_after).c_str());
}

}  // namespace

void add_adapt_command(CLI::App& app) {
    auto options = std::make_shared<AdaptOptions>();
    CLI::App* command = app.add_subcommand(
        "adapt",
        "Tune the keys' notes, held as one chord, to the nearest local minimum of their total "
        "dissonance: key,nominal_hz,adapted_hz,cents for each note, then the dissonance before "
        "and after");
    add_timbre_and_tone_options(*command, options->curve, "tune with");
    command->add_option("--keys", options->keys, "The MIDI keys held (e.g. --keys 60 64 67)");
    command->add_option("--midi", options->midi_in,
                        "A Standard MIDI File to retune as it plays: the notes held at each "
                        "note-on and note-off tuned as one chord (keys in equal temperament)");
    command->add_option("--out", options->midi_out, "Where --midi's retuned file goes (format 0)");
    command->add_flag("--bend", options->bend,
                      "Retune by a channel per note (2-16) with its own pitch bend, for "
                      "synthesizers without MIDI Tuning Standard single-note changes");
    command->add_option("--wav", options->wav,
                        "Also render --midi's performance to a WAV file with the document's "
                        "timbre, every note at its adapted pitch");
    command->add_option("--bend-range", options->bend_range,
                        "The bend range --bend sets on its channels, in semitones (default 2)");
    command
        ->add_option("--mapping", options->mapping,
                     "tet: equal temperament, A4 = 440 Hz (default); chords: every tone of each "
                     "key's chord in the document's chord map")
        ->check(CLI::IsMember({"tet", "chords"}));
    command->add_option("--anchor", options->anchor,
                        "What holds the chord's pitch: lowest (the lowest note stays, default), "
                        "mean (the mean log-pitch stays) or spring:W (each note pulled towards "
                        "its own pitch; W = 1 makes a 100-cent move of every note cost the "
                        "chord's dissonance)");
    command->add_flag("--context", options->context,
                      "Tune against the document's fixed tones as well, which then hold the "
                      "chord's pitch");
    command->add_option("--max-move", options->settings.max_move_cents,
                        "The most cents a note moves from its key's pitch (default 50)");
    command->add_option("--min-prominence", options->settings.min_prominence,
                        "Pass over minima that a rise of less than this fraction of the "
                        "roughness the moving note takes part in separates from a deeper one "
                        "(default 0.01)");
    command->callback([options] { run_adapt(*options); });
}

}  // namespace kelvara::cli
