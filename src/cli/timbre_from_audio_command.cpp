// `kelvara-cli timbre-from-audio FILE`: the partials of a timbre measured from a recording
// (WAV, FLAC, Ogg, AIFF), as CSV (ratio,amplitude,amplitude_db,frequency_hz) or JSON.
// Without --start and --length the steadiest stretch after the attack within the file's
// first minute is analysed; with either, exactly the stretch they name (at most a minute).
#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "document/document.h"
#include "document/document_io.h"
#include "engine/recording_analysis.h"
#include "engine/steady_stretch.h"
#include "persistence/audio_file_reader.h"

namespace kelvara::cli {
namespace {

struct TimbreFromAudioOptions {
    std::string path;
    std::optional<double> start_seconds;
    std::optional<double> length_seconds;
    PickingSettings picking;
    std::string format = "csv";
    std::string into;  // a document whose timbre the partials become
};

// The fewest digits that read back as the same double.
std::string shortest(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

// A refused recording or stretch: exit code 1, its texts on stderr.
[[noreturn]] void refuse(const Error& error) {
    throw DocumentFileFailure(error);
}

struct Measured {
    AudioStretch read;
    FrameRange stretch;  // within read.audio
    SpectrumAnalysis analysis;
};

Measured measure(const TimbreFromAudioOptions& o) {
    if (auto refused = check_picking_settings(o.picking)) throw UsageError(refused->description);
    if (o.start_seconds && !(*o.start_seconds >= 0.0))
        throw UsageError("--start must be a number of seconds, 0 or more");
    if (o.length_seconds && !(*o.length_seconds > 0.0))
        throw UsageError("--length must be a number of seconds above 0");
    const bool proposed = !o.start_seconds && !o.length_seconds;
    AudioStretchRequest request;
    request.start_seconds = o.start_seconds.value_or(0.0);
    request.length_seconds = o.length_seconds.value_or(kMaxStretchSeconds);
    Result<AudioStretch> read = read_audio_stretch(o.path, request);
    if (!read) refuse(read.error());

    Measured m{std::move(*read), {}, {}};
    m.stretch = {0, m.read.audio.frame_count()};
    if (proposed) {
        const Result<SteadyStretchProposal> proposal = propose_steady_stretch(m.read.audio);
        if (!proposal) refuse(proposal.error());
        m.stretch = proposal->stretch;
    }
    AnalysisSettings settings;
    settings.picking = o.picking;
    Result<SpectrumAnalysis> analysis = analyse_stretch(m.read.audio, m.stretch, settings);
    if (!analysis) refuse(analysis.error());
    m.analysis = std::move(*analysis);
    return m;
}

void print_csv(const PickedPartials& picked) {
    std::printf("ratio,amplitude,amplitude_db,frequency_hz\n");
    for (const MeasuredPartial& p : picked.partials)
        std::printf("%s,%s,%s,%s\n", shortest(p.ratio).c_str(), shortest(p.amplitude).c_str(),
                    fixed(p.amplitude_db, 2).c_str(), fixed(p.frequency_hz, 3).c_str());
}

void print_json(const Measured& m) {
    const int32_t rate = m.read.audio.sample_rate_hz;
    const double start = static_cast<double>(m.read.start_frame + m.stretch.start) / rate;
    std::printf(
        "{\"start_seconds\": %s, \"length_seconds\": %s, \"fundamental_hz\": %s, "
        "\"partials\": [",
        fixed(start, 6).c_str(), fixed(static_cast<double>(m.stretch.count) / rate, 6).c_str(),
        fixed(m.analysis.picked.fundamental_hz(), 3).c_str());
    const auto& partials = m.analysis.picked.partials;
    for (size_t i = 0; i < partials.size(); ++i) {
        const MeasuredPartial& p = partials[i];
        std::printf(
            "%s\n  {\"ratio\": %s, \"amplitude\": %s, \"amplitude_db\": %s, "
            "\"frequency_hz\": %s}",
            i ? "," : "", shortest(p.ratio).c_str(), shortest(p.amplitude).c_str(),
            fixed(p.amplitude_db, 2).c_str(), fixed(p.frequency_hz, 3).c_str());
    }
    std::printf("\n]}\n");
}

// The partials become the custom timbre of the saved document at `path`, held to the same
// rules as any document's values; the file is written only when they are taken.
void store_as_timbre(const std::string& path, const PickedPartials& picked) {
    DocumentFileState state = read_document_state(path);
    state.custom_partials = timbre_partials(picked);
    state.overtone_type = CustomPartials;
    state.number_of_overtones = static_cast<int32_t>(state.custom_partials.size());
    Document document;
    if (const Result<void> applied = document.apply_state(state); !applied) refuse(applied.error());
    if (const Result<void> saved = save_document_file(path, document); !saved)
        refuse(saved.error());
}

void run_timbre_from_audio(const TimbreFromAudioOptions& options) {
    const Measured m = measure(options);
    if (options.format == "json")
        print_json(m);
    else
        print_csv(m.analysis.picked);
    if (!options.into.empty()) store_as_timbre(options.into, m.analysis.picked);
}

}  // namespace

void add_timbre_from_audio_command(CLI::App& app) {
    auto o = std::make_shared<TimbreFromAudioOptions>();
    CLI::App* command = app.add_subcommand(
        "timbre-from-audio",
        "Measure the partials of a timbre from a recording (WAV, FLAC, Ogg, AIFF) and print "
        "them as CSV (ratio,amplitude,amplitude_db,frequency_hz) or JSON");
    command->add_option("file", o->path, "The recording")->required();
    command->add_option("--start", o->start_seconds,
                        "Seconds into the recording where the stretch to analyse starts "
                        "(default: the steadiest stretch after the attack is proposed)");
    command->add_option("--length", o->length_seconds,
                        "Seconds of the stretch to analyse (at most 60; default: to the end)");
    command->add_option("--max-partials", o->picking.max_partials,
                        "At most this many partials, the strongest (1-128; default 24)");
    command->add_option("--threshold-db", o->picking.threshold_db,
                        "Leave out partials more than this many dB below the strongest "
                        "(above 0, at most 80; default 60)");
    command->add_option("--format", o->format, "csv (default) or json")
        ->check(CLI::IsMember({"csv", "json"}));
    command->add_option("--into", o->into,
                        "Also make the partials the custom timbre of this document (.kelvara), "
                        "and save it");
    command->callback([o] { run_timbre_from_audio(*o); });
}

}  // namespace kelvara::cli
