#pragma once
// The subcommands of kelvara-cli. Each adds itself to the application; a failure to carry a
// command out is reported as a one-line message on stderr and exit code 2.
#include <stdexcept>

namespace CLI {
class App;
}

namespace kelvara::cli {

// A command that cannot be carried out with the arguments given (exit code 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void add_curve_command(CLI::App& app);
void add_midi_sources_command(CLI::App& app);
void add_midi_monitor_command(CLI::App& app);
void add_midi_play_command(CLI::App& app);
void add_bench_command(CLI::App& app);
#ifdef KELVARA_CLI_PLOT
// Only in builds with Qt: the drawing is the graph view's.
void add_plot_command(CLI::App& app);
#endif
void add_scale_command(CLI::App& app);
// chord-parse and chord-map.
void add_chord_commands(CLI::App& app);
void add_sound_commands(CLI::App& app);

}  // namespace kelvara::cli
