#pragma once
// SynthController: the synthesizer a document plays its chords through.
//
// Every tone of a chord starts on the controller's one MIDI channel at its own fractional
// pitch (frac_midi_note_for_frequency) and is stopped later by the note-instance identifier
// notes_on() returned for it. No pitch bend is used and no channel is allocated per note.
//
// Behind it is an audio graph: one FluidSynth synthesizer with an exact-pitch bank loader,
// a peak limiter, and the audio output (JACK, PulseAudio or ALSA, or a silent null output
// when no device opens).
//
// Threads. notes_on(), notes_off() and set_midi_parameter() come from the MIDI receive
// thread; everything else (and set_midi_parameter() for the volume) from the user-interface
// thread. Both reach the synthesizer the same way: every channel message (tones, controllers,
// instrument selections) joins one ordered queue that the audio thread applies at the start
// of each block it renders (sound/channel_event_queue.h); when the queue is full the caller
// waits for the audio thread instead of dropping anything. The readers (midi_parameter,
// selected_instrument) report the values as last sent, which the audio thread applies in
// that order. While no output runs, the thread that calls render_offline() is the audio
// thread; it must not send more than fit in the queue between two renders itself, as nobody
// else would make room.
//
// The graph is held by a shared pointer. Each call takes its own reference under a short
// lock (held only to copy the pointer, never while a bank loads), so the graph it uses stays
// alive until the call returns. A bank load or reset builds the new synthesizer and loads
// its bank on the user-interface thread without holding that lock, then swaps the pointer,
// closes the old graph's queue (callers waiting on it return) and stops its output; the last
// call still holding the old graph (usually the swap itself) destroys it, never the audio
// thread, which holds no reference. Note-instance
// identifiers are unique over all graphs of a controller, so identifiers of notes from a
// replaced graph never stop notes of the new one.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "engine/tone_partials.h"

namespace kelvara {

namespace sound {
class AudioGraph;
class SynthEngine;
enum class ToneProgram;
}  // namespace sound

// How a controller builds its graphs.
struct SoundSetup {
    // The default bank file. Empty: the system's General MIDI SoundFont
    // (/usr/share/sounds/sf2/default-GM.sf2), else FluidSynth's synth.default-soundfont,
    // else a small bank generated in memory.
    std::string default_bank;
    // The audio backend: empty tries the KELVARA_AUDIO_DRIVER environment variable, then
    // JACK, PulseAudio and ALSA; "null" renders silently without a device.
    std::string backend;
    double sample_rate = 48000.0;
    // Pitch-true playback: every bank loaded from a file is measured (in the background, or
    // read from the cache) and its presets retuned so that each tone sounds at the pitch
    // asked for. False plays the bank's own tuning.
    bool pitch_true = true;
    // Where measured bank tunings are kept. Empty: $XDG_CACHE_HOME/kelvara, else
    // ~/.cache/kelvara.
    std::string bank_tuning_cache;
    // Whether a bank is measured as soon as it loads. A window starts with false and calls
    // allow_bank_measuring() once it shows, so that measuring never competes with drawing
    // it; notes play the bank's own tuning until the measurement is in.
    bool measure_banks_at_once = true;
};

// One entry of the program pop-up: its title ("%d : %s", index and name) and its tag, the
// instrument identifier (bank MSB in bits 16-22, LSB in bits 8-14, program in bits 0-6).
struct ProgramItem {
    std::string title;
    uint32_t tag = 0;

    friend bool operator==(const ProgramItem&, const ProgramItem&) = default;
};

// Stereo audio from an offline render, one buffer per channel.
struct StereoBuffer {
    std::vector<float> left;
    std::vector<float> right;
};

class SynthController {
public:
    // The identifier recorded for a tone that could not be started (a frequency that is not
    // finite or not positive, or a synthesizer that refused it); notes_off() ignores it.
    static constexpr int32_t kNoNote = 0;

    // A controller of one MIDI channel (a document plays on channel 0), without a graph
    // until load_default_bank().
    explicit SynthController(uint8_t channel, SoundSetup setup = {});
    ~SynthController();
    SynthController(const SynthController&) = delete;
    SynthController& operator=(const SynthController&) = delete;

    // A new graph with the default bank, bank 0, program 0, left stopped; it replaces the
    // current one. False (and no graph: every operation then does nothing) when it cannot
    // be built.
    bool load_default_bank();
    // Starts and stops the audio output of the current graph. stop() first lets the audio
    // thread apply every channel message sent before it (this takes a few blocks at most).
    void start();
    void stop();
    bool is_running() const;

    // One identifier per tone, in chord order (kNoNote for a skipped tone). Empty without a
    // graph. Velocity is on the MIDI scale; the synthesizer takes it rounded to 1..127.
    std::vector<int32_t> notes_on(const std::vector<float>& chord, float velocity);
    void notes_off(const std::vector<int32_t>& note_ids);
    // As notes_on(), but every tone plays the document's timbre whatever program is selected,
    // at exactly the frequency asked for (the window's audition, `kelvara-cli render
    // --timbre`); notes_on() gives the pitch as the chord map plays it (pitch_mapping.h).
    std::vector<int32_t> timbre_notes_on(const std::vector<float>& chord, float velocity);
    // Glides a sounding tone to `hertz` (from `started_hertz`, the frequency it started at):
    // to a fraction of a cent (a bank program's tone dithered between whole cents:
    // bank_tone_shifts.h).
    void glide_note(int32_t note_id, float started_hertz, float hertz);

    // --- the "Document timbre" program (sound/timbre_program.h) -----------------------------
    // The partials it sounds, for tones started from now on; kept for every later graph.
    // User-interface thread.
    void set_document_timbre(const std::vector<TonePartial>& partials);
    // Selects it as the channel's program (it is no instrument of the bank: programs() and
    // select_instrument() index the bank's own list, which then selects a bank program again).
    void select_document_timbre();
    bool document_timbre_selected() const;
    // Partials of it that found no free voice, over every graph so far.
    uint64_t partials_without_voice() const;
    // Voices (bank voices and partials of the document's timbre) that found no sample prepared
    // at their exact rate and played to the nearest cent instead (sound/sample_rate_cache.h),
    // over every graph so far.
    uint64_t voices_to_nearest_cent() const;
    // A control change on the channel; values above 127 become 127.
    void set_midi_parameter(uint32_t controller, uint32_t value);
    // Two test chords, three seconds each; blocks the calling thread for six and a half.
    void play_test();

    // Loads a .sf2, .sf3 or .dls bank into a new synthesizer and starts it. A file that
    // cannot be read, that is no bank (bank_file_check.h), or that no bank loader accepts,
    // is refused with the reason; the current graph then plays on as it was, with its bank,
    // program and controllers.
    Result<void> load_bank(const std::string& path);
    // load_default_bank(), then start().
    void reset_to_default_bank();
    // One item per instrument of the current bank, in bank order.
    std::vector<ProgramItem> programs() const;
    // Selects the instrument at this index of programs(); nothing for another index.
    void select_instrument(int32_t index);
    // Bank select MSB (CC 0) with the low seven bits of `bank`.
    void change_bank(int32_t bank);

    // Pitch-true playback or the bank's own tuning (see SoundSetup::pitch_true), for notes
    // started from now on and for banks loaded later. User-interface thread.
    void set_pitch_true(bool on);
    bool pitch_true() const { return setup_.pitch_true; }
    // Waits up to `timeout` for the current bank's tuning; true when pitch-true playback is
    // in force. (A tool that renders at once waits here; interactive playing never does.)
    bool wait_for_bank_tuning(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // From now on banks are measured (the current one at once); see
    // SoundSetup::measure_banks_at_once. User-interface thread.
    void allow_bank_measuring();

    // Renders the current graph offline, through the limiter, while it is stopped (a running
    // graph is rendered by its output; nothing is returned then, nor without a graph).
    std::optional<StereoBuffer> render_offline(int frames);
    double sample_rate() const { return setup_.sample_rate; }
    uint8_t midi_channel() const { return midi_channel_; }
    // The backend the running graph plays through ("jack", …, "null"), or empty.
    std::string audio_backend() const;
    // The identifier of the instrument the channel plays, if any.
    std::optional<uint32_t> selected_instrument() const;
    // The channel's current value of a controller (as limited when it was sent).
    std::optional<int> midi_parameter(uint32_t controller) const;
    // Output meter of the current graph: frames rendered, and the largest absolute sample
    // after the limiter since the previous call.
    uint64_t rendered_frames() const;
    float take_output_peak();
    // Channel messages lost on the way to the synthesizer over every graph so far: a full
    // queue that nothing rendered for ChannelEventQueue::kStallLimit refused them. (What
    // FluidSynth itself drops is counted by sound/synth_log.h.)
    uint64_t dropped_events() const;

private:
    std::shared_ptr<sound::AudioGraph> graph() const;
    // Turns the engine's corrections on or off as the setup asks, measuring its bank when
    // that is allowed.
    void apply_pitch_true(sound::SynthEngine& engine) const;
    // Swaps in a new graph (or none) and destroys the old one once no call uses it.
    void replace_graph(std::shared_ptr<sound::AudioGraph> next);
    // A stopped graph with the bank at `bank_path`, or the default bank when it is empty.
    Result<std::shared_ptr<sound::AudioGraph>> build_graph(const std::string& bank_path) const;
    int32_t next_note_id();
    std::vector<int32_t> start_chord(const std::vector<float>& chord, float velocity,
                                     sound::ToneProgram program);
    void send_instrument(int32_t index);
    void announce_silence_once();

    uint8_t midi_channel_;
    SoundSetup setup_;
    mutable std::mutex graph_mutex_;  // guards graph_, the pointer only
    // The synthesizer of the graph is its engine (graph_->engine()); there is no separate
    // synth_ handle that could outlive it.
    std::shared_ptr<sound::AudioGraph> graph_;
    std::atomic<uint32_t> note_counter_{0};
    std::atomic<bool> silence_announced_{false};
    std::atomic<uint64_t> retired_drops_{0};
    std::atomic<uint64_t> retired_partials_without_voice_{0};
    std::atomic<uint64_t> retired_voices_to_nearest_cent_{0};
    // The document's timbre, for every graph built (user-interface thread).
    std::vector<TonePartial> document_timbre_{TonePartial{}};
};

}  // namespace kelvara
