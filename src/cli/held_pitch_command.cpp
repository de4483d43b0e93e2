// `kelvara-cli held-pitch WAV --freqs ...`: how far from each frequency a recording (a render,
// say) holds its tones, in cents, over windows of its playing time; the way a held note's
// pitch is judged, from its attack through its sustain (engine/held_pitch.h).
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "engine/held_pitch.h"
#include "persistence/audio_file_reader.h"

namespace kelvara::cli {
namespace {

struct HeldPitchOptions {
    std::string path;
    std::vector<double> tones_hz;
    std::vector<std::string> windows{"0.05-0.35", "0.5-1", "1-2", "2-3"};
};

HeldWindow parse_window(const std::string& text) {
    HeldWindow window;
    char dash = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%lf%c%lf%c", &window.start_seconds, &dash, &window.end_seconds,
                    &extra) != 3 ||
        dash != '-' ||
        !(window.start_seconds >= 0.0 && window.end_seconds > window.start_seconds &&
          window.end_seconds <= kMaxStretchSeconds))
        throw UsageError("--windows: \"" + text +
                         "\" is not START-END in seconds (0 <= START < END <= 60)");
    return window;
}

void print_held_pitch(const HeldPitchOptions& o) {
    for (const double hz : o.tones_hz)
        if (!(hz > 0.0)) throw UsageError("--freqs: every frequency must be above 0 Hz");
    std::vector<HeldWindow> windows;
    for (const std::string& text : o.windows) windows.push_back(parse_window(text));
    AudioStretchRequest request;
    request.channel = 0;
    const Result<AudioStretch> read = read_audio_stretch(o.path, request);
    if (!read) throw DocumentFileFailure(read.error());
    const AudioChannels& audio = read->audio;
    const auto cents =
        held_pitch_cents(audio.channels.front(), audio.sample_rate_hz, o.tones_hz, windows);
    std::printf("%-10s", "hz");
    for (const std::string& text : o.windows) std::printf(" %10s", text.c_str());
    std::printf("\n");
    for (size_t tone = 0; tone < o.tones_hz.size(); ++tone) {
        std::printf("%-10.2f", o.tones_hz[tone]);
        for (const auto& row : cents)
            if (std::isfinite(row[tone]))
                std::printf(" %+10.2f", row[tone]);
            else
                std::printf(" %10s", "-");
        std::printf("\n");
    }
}

}  // namespace

void add_held_pitch_command(CLI::App& app) {
    auto options = std::make_shared<HeldPitchOptions>();
    CLI::App* command = app.add_subcommand(
        "held-pitch",
        "Cents from each frequency to the tone a recording holds near it, per window of time "
        "(Hann window, 2^21-point spectrum, parabolic peak; the first channel)");
    command->add_option("WAV", options->path, "A WAV, FLAC, Ogg or AIFF recording")->required();
    command->add_option("--chord,--freqs", options->tones_hz, "The frequencies in Hz")
        ->required()
        ->delimiter(',');
    command
        ->add_option("--windows", options->windows,
                     "Windows as START-END in seconds (default 0.05-0.35,0.5-1,1-2,2-3)")
        ->delimiter(',');
    command->callback([options] { print_held_pitch(*options); });
}

}  // namespace kelvara::cli
