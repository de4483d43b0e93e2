#pragma once
// FollowUp: what an accepted document action leaves to do, as flags. Every action returns one
// (a refused or an empty action returns none set) and Document::follow_up applies it, in one
// fixed order: record the undo step and show the edited mark, send to the synthesizer, show
// fields and tables again, resample, lend the arrays, refit the y range, redraw.

namespace kelvara {

struct FollowUp {
    bool changed = false;               // one undo step; the edited mark and the Undo item follow
    bool send_volume = false;           // controller 7 to the synthesizer
    bool send_pitch_true = false;       // pitch-true playback or the bank's own tuning
    bool show_timbre = false;           // send the partials; pop-up, overtone count, partial table
    bool show_roughness_model = false;  // the roughness model control
    bool show_base_frequency = false;   // the base frequency field
    bool reload_scale = false;          // the scale table
    bool reload_fixed_tones = false;    // the fixed-tone table
    bool reload_chords = false;         // the chord-map table
    bool show_bounds = false;           // the four bound fields and the graph's ranges
    bool graph_ranges = false;          // the graph's ranges only (a field shows its own value)
    bool show_plot_flags = false;       // the graph's markers, cursor line and slope
    bool show_graph_choices = false;    // the axis, scale steps and the minima's threshold, naming
    bool resample = false;              // sample the curve for the values now held
    bool lend_arrays = false;           // the curve view borrows the (new) arrays
    bool refit_y = false;               // fit the y range to the curve and show it
    bool redraw = false;                // the curve view draws again
};

// What every accepted change of the timbre (type, overtone count, custom partials) leaves to
// do: the synthesizer's "Document timbre" program and the timbre controls follow, and the
// curve, whose arrays may have been rebuilt, is sampled, fitted and drawn again.
inline constexpr FollowUp kTimbreChanged{.changed = true,
                                         .show_timbre = true,
                                         .resample = true,
                                         .lend_arrays = true,
                                         .refit_y = true,
                                         .redraw = true};

}  // namespace kelvara
