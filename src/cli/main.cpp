// kelvara-cli: every capability of a Kelvara document from the command line, for scripts
// and checks.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>

#include "base/version.h"
#include "cli/commands.h"

namespace {
constexpr int kUsageExitCode = 2;

int fail(const char* message) {
    std::fprintf(stderr, "kelvara-cli: error: %s\n", message);
    return kUsageExitCode;
}
}  // namespace

std::string kelvara::cli::refusal_text(const kelvara::Error& error) {
    std::string text = error.reason;
    const std::string detail = error.located_detail();
    if (!detail.empty()) text += (text.empty() ? "" : " (") + detail + (text.empty() ? "" : ")");
    return text;
}

int main(int argc, char** argv) {
    CLI::App app{"Kelvara: dissonance curves of timbres, scales and chord maps"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("kelvara-cli ") + kelvara::kVersion);
    kelvara::cli::add_curve_command(app);
    kelvara::cli::add_minima_command(app);
    kelvara::cli::add_adapt_command(app);
    kelvara::cli::add_surface_command(app);
    kelvara::cli::add_midi_sources_command(app);
    kelvara::cli::add_midi_destinations_command(app);
    kelvara::cli::add_midi_monitor_command(app);
    kelvara::cli::add_midi_play_command(app);
    kelvara::cli::add_midi_out_command(app);
    kelvara::cli::add_new_command(app);
    kelvara::cli::add_dump_command(app);
    kelvara::cli::add_bench_command(app);
#ifdef KELVARA_CLI_PLOT
    kelvara::cli::add_plot_command(app);
#endif
    kelvara::cli::add_scale_command(app);
    kelvara::cli::add_chord_commands(app);
    kelvara::cli::add_sound_commands(app);
    kelvara::cli::add_bank_tuning_command(app);
    kelvara::cli::add_tuning_commands(app);
    kelvara::cli::add_timbre_from_audio_command(app);
    kelvara::cli::add_held_pitch_command(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        return fail(error.what());
    } catch (const kelvara::cli::UsageError& error) {
        return fail(error.what());
    } catch (const kelvara::cli::DocumentFileFailure& failure) {
        const kelvara::Error& error = failure.error;
        std::fprintf(stderr, "kelvara-cli: %s\n%s\n", error.description.c_str(),
                     error.reason.c_str());
        const std::string detail = error.located_detail();
        if (!detail.empty()) std::fprintf(stderr, "(%s)\n", detail.c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kelvara-cli: %s\n", error.what());
        return 1;
    }
    return 0;
}
