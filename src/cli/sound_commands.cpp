// `kelvara-cli programs`, `render` and `play-test`: the synthesizer from the command line.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/value_limits.h"
#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "cli/offline_synth.h"
#include "cli/render_level.h"
#include "cli/wav_file.h"
#include "engine/tone_partials.h"
#include "sound/pitch_mapping.h"
#include "sound/synth_controller.h"

namespace kelvara::cli {
namespace {

constexpr double kReleaseTailSeconds = 0.25;
constexpr double kMaxGainDb = 60.0;

struct RenderOptions {
    std::vector<float> chord;
    std::string bank;
    int program = 0;
    float velocity = 100.0f;
    double seconds = 2.0;
    std::string wav;
    bool bank_tuning = false;  // the bank's own tuning rather than pitch-true playback
    std::string timbre;        // a document whose timbre the "Document timbre" program plays
    double gain_db = 0.0;      // added to the synthesizer's own level
    bool normalize = false;    // the peak to kNormalizedPeakDb instead
};

// The render at the level asked for; a peak the gain takes above full scale is kept (the WAV
// holds floats) and reported, since a player would clip it.
void set_level(const RenderOptions& o, StereoBuffer& audio) {
    const double gain = o.normalize ? normalizing_gain(audio) : std::pow(10.0, o.gain_db / 20.0);
    apply_gain(audio, gain);
    if (const float peak = peak_of(audio); peak > 1.0f)
        std::fprintf(stderr, "kelvara-cli: the render peaks at %+.1f dBFS, above full scale\n",
                     20.0 * std::log10(peak));
}

// The "Document timbre" program with the partials of the document at `path`.
void select_document_timbre(SynthController& controller, const std::string& path) {
    const DocumentFileState state = read_document_state(path);
    const Timbre timbre{state.overtone_type, state.number_of_overtones, state.base_frequency,
                        state.custom_partials};
    controller.set_document_timbre(tone_partials(timbre));
    controller.select_document_timbre();
}

// Quieter than this everywhere, a render holds nothing but the dither of silence.
constexpr float kSilentPeak = 1e-6f;

bool is_silent(const StereoBuffer& audio) {
    const auto quiet = [](float sample) { return std::fabs(sample) < kSilentPeak; };
    return std::all_of(audio.left.begin(), audio.left.end(), quiet) &&
           std::all_of(audio.right.begin(), audio.right.end(), quiet);
}

// A chord that started sounded like nothing: the bank's presets (or the program chosen)
// cannot sound, and a silent WAV would pass for a render.
Error silent_render(const RenderOptions& o) {
    Error error = refusal("The chord was not rendered: it made no sound.");
    error.reason =
        "The program played silence for tones that should sound: the bank's presets "
        "may be damaged. Choose another program or bank.";
    error.where.file = o.bank.empty() ? "the default bank" : o.bank;
    error.detail = "every sample below " + std::to_string(kSilentPeak);
    return error;
}

// Once per reason, however many tones it concerns: "tones 2, 5 (0, 1e+06 Hz) were skipped:
// not frequencies a bank can play".
void report_skipped_tones(const std::vector<float>& chord, const std::vector<int32_t>& ids) {
    struct Reason {
        const char* one;
        const char* many;
        std::string tones{};
        std::string frequencies{};
        size_t count = 0;
    };
    Reason unplayable{.one = "not a frequency a bank can play",
                      .many = "not frequencies a bank can play"};
    Reason no_room{.one = "the synthesizer had no room to start it",
                   .many = "the synthesizer had no room to start them"};
    for (size_t i = 0; i < ids.size() && i < chord.size(); ++i) {
        if (ids[i] != SynthController::kNoNote) continue;
        Reason& reason = sound::playable_pitch_for_frequency(chord[i]) ? no_room : unplayable;
        const std::string separator = reason.count++ > 0 ? ", " : "";
        reason.tones += separator + std::to_string(i + 1);
        char hz[32];
        std::snprintf(hz, sizeof hz, "%g", double(chord[i]));
        reason.frequencies += separator + hz;
    }
    for (const Reason* reason : {&unplayable, &no_room})
        if (reason->count > 0)
            std::fprintf(stderr, "kelvara-cli: %s %s (%s Hz) %s skipped: %s\n",
                         reason->count == 1 ? "tone" : "tones", reason->tones.c_str(),
                         reason->frequencies.c_str(), reason->count == 1 ? "was" : "were",
                         reason->count == 1 ? reason->one : reason->many);
}

void render(const RenderOptions& o) {
    if (!(o.seconds > 0.0 && o.seconds <= kMaxRenderSeconds))
        throw UsageError("--seconds must be above 0 and at most 600");
    if (!(std::abs(o.gain_db) <= kMaxGainDb)) throw UsageError("--gain-db must be from -60 to 60");
    if (o.normalize && o.gain_db != 0.0) throw UsageError("--normalize excludes --gain-db");
    if (o.chord.size() > kMaxChordTones)
        throw UsageError("--chord: " + chord_size_refusal(o.chord.size()));
    // A chord none of whose tones can sound would only write silence.
    if (std::none_of(o.chord.begin(), o.chord.end(),
                     [](float hz) { return sound::playable_pitch_for_frequency(hz).has_value(); }))
        throw UsageError("--chord: no tone is a frequency a bank can play (above 0 Hz)");
    check_wav_target(o.wav);
    auto controller = offline_controller(o.bank, !o.bank_tuning);
    if (o.timbre.empty())
        select_program(*controller, o.program);
    else
        select_document_timbre(*controller, o.timbre);
    // The chord starts at once, so it waits for the bank's measurement (or the cache). A render
    // is a batch job: it waits as long as measuring a whole bank takes on a slow machine (a
    // minute for the General MIDI bank under a sanitizer), rather than play out of tune.
    if (!o.bank_tuning && !controller->wait_for_bank_tuning(std::chrono::minutes(10)))
        std::fprintf(stderr,
                     "kelvara-cli: the bank could not be measured; it plays its own "
                     "tuning\n");
    const double rate = controller->sample_rate();
    const auto ids = o.timbre.empty() ? controller->notes_on(o.chord, o.velocity)
                                      : controller->timbre_notes_on(o.chord, o.velocity);
    auto audio = controller->render_offline(int(std::lround(o.seconds * rate)));
    controller->notes_off(ids);
    auto tail = controller->render_offline(int(std::lround(kReleaseTailSeconds * rate)));
    if (!audio || !tail) throw std::runtime_error("the synthesizer could not render");
    append_audio(*audio, *tail);
    const bool any_started = std::any_of(ids.begin(), ids.end(),
                                         [](int32_t id) { return id != SynthController::kNoNote; });
    if (any_started && is_silent(*audio)) throw DocumentFileFailure(silent_render(o));
    set_level(o, *audio);
    write_wav_file(o.wav, *audio, int(rate));
    report_skipped_tones(o.chord, ids);
    if (const uint64_t lacking = controller->partials_without_voice(); lacking > 0)
        std::fprintf(stderr,
                     "kelvara-cli: the synthesizer ran out of voices; %llu partials of the "
                     "document's timbre were not played\n",
                     static_cast<unsigned long long>(lacking));
}

void list_programs(const std::string& bank) {
    auto controller = offline_controller(bank);
    for (const ProgramItem& item : controller->programs()) std::printf("%s\n", item.title.c_str());
}

void play_test() {
    SynthController controller(0);
    if (!controller.load_default_bank())
        throw std::runtime_error("the synthesizer could not be built");
    std::printf("playing two test chords (6.5 s)\n");
    std::fflush(stdout);
    controller.play_test();
}

}  // namespace

void add_sound_commands(CLI::App& app) {
    auto bank = std::make_shared<std::string>();
    CLI::App* programs =
        app.add_subcommand("programs", "List the programs of a bank (\"%d : %s\")");
    programs->add_option("--bank", *bank, "A .sf2, .sf3 or .dls bank (default: the default bank)");
    programs->callback([bank] { list_programs(*bank); });

    auto options = std::make_shared<RenderOptions>();
    CLI::App* render_cmd = app.add_subcommand(
        "render", "Render a chord offline through the synthesizer and limiter to a 48 kHz WAV");
    render_cmd->add_option("--chord,--freqs", options->chord, "Tone frequencies in Hz")
        ->required()
        ->delimiter(',');
    render_cmd->add_option("--bank", options->bank, "A .sf2, .sf3 or .dls bank");
    CLI::Option* program =
        render_cmd->add_option("--program", options->program, "Program index in the bank's list");
    render_cmd
        ->add_option("--timbre", options->timbre,
                     "Play the \"Document timbre\" program: the exact partials of this "
                     "document's timbre")
        ->excludes(program);
    render_cmd->add_option("--velocity", options->velocity, "MIDI velocity (1-127)");
    render_cmd->add_option("--seconds", options->seconds, "How long the chord is held");
    render_cmd->add_option("--wav", options->wav, "Output file")->required();
    render_cmd->add_flag("--bank-tuning", options->bank_tuning,
                         "Play the bank's own tuning instead of pitch-true playback");
    render_cmd->add_option(
        "--gain-db", options->gain_db,
        "Gain in dB (-60 to 60) on the default level, the synthesizer's own (FluidSynth's "
        "gain of 0.2): a chord of 128 tones stays below the limiter's -1 dBFS ceiling, so a "
        "single note is quiet (Piano 1 at velocity 100 peaks near -32 dBFS)");
    render_cmd->add_flag("--normalize", options->normalize,
                         "Scale the render so that it peaks at -1 dBFS (not with --gain-db)");
    render_cmd->callback([options] { render(*options); });

    CLI::App* test = app.add_subcommand("play-test", "Play the synthesizer's two test chords");
    test->callback([] { play_test(); });
}

void select_program(SynthController& controller, int program) {
    const std::vector<ProgramItem> items = controller.programs();
    if (program < 0 || size_t(program) >= items.size())
        throw UsageError("--program must be an index from 0 to " +
                         std::to_string(items.size() - 1));
    controller.select_instrument(program);
}

}  // namespace kelvara::cli
