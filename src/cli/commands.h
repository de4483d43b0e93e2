#pragma once
// The subcommands of kelvara-cli. Each adds itself to the application. One rule for the exit
// code: an argument or value refused is a one-line message on stderr and exit code 2; a file
// or bank refused, or one that cannot be read or written, is its error texts on stderr and
// exit code 1.
#include <stdexcept>
#include <string>

#include "base/error.h"

namespace CLI {
class App;
}
namespace kelvara {
class SynthController;
}

namespace kelvara::cli {

// A command that cannot be carried out with the arguments given (exit code 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that could not be read or written, or was refused: a document, a scale or keyboard
// mapping file, a recording, a bank, a render or a recording's target (exit code 1). The error
// as the user would see it, with what exactly was wrong and where, when known.
class DocumentFileFailure : public std::runtime_error {
public:
    explicit DocumentFileFailure(Error error)
        : std::runtime_error(error.description), error(std::move(error)) {}
    Error error;
};

// An error's reason and located detail on one line, for a usage error's message.
std::string refusal_text(const Error& error);

// Selects item `program` of the controller's programs (as `kelvara-cli programs` lists them);
// another index is a usage error naming the range.
void select_program(SynthController& controller, int program);

void add_curve_command(CLI::App& app);
void add_minima_command(CLI::App& app);
void add_adapt_command(CLI::App& app);
void add_surface_command(CLI::App& app);
void add_midi_sources_command(CLI::App& app);
void add_midi_destinations_command(CLI::App& app);
void add_midi_monitor_command(CLI::App& app);
void add_midi_play_command(CLI::App& app);
void add_midi_out_command(CLI::App& app);
void add_new_command(CLI::App& app);
void add_dump_command(CLI::App& app);
void add_bench_command(CLI::App& app);
#ifdef KELVARA_CLI_PLOT
// Only in builds with Qt: the drawing is the graph view's.
void add_plot_command(CLI::App& app);
#endif
void add_scale_command(CLI::App& app);
// chord-parse and chord-map.
void add_chord_commands(CLI::App& app);
void add_sound_commands(CLI::App& app);
void add_bank_tuning_command(CLI::App& app);
// scl export|import, tun export, mts export|send and keymap.
void add_tuning_commands(CLI::App& app);
void add_timbre_from_audio_command(CLI::App& app);
void add_held_pitch_command(CLI::App& app);
// The bench row "bank-tuning": the fastest of the measurements of the default bank made in
// `min_seconds` (at least one), or a note that the bank is not installed.
void print_bank_tuning_bench_row(double min_seconds);
#ifdef KELVARA_CLI_PLOT
// The bench row "pipeline" (only in builds with Qt): one range edit of the worst case,
// resampled and drawn into an offscreen 1200×800 image, repeated for `min_seconds`.
void print_pipeline_bench_row(double min_seconds);
#endif

}  // namespace kelvara::cli
