#pragma once
// One FluidSynth synthesizer with one bank, played on one channel at exact fractional
// pitches, followed by the peak limiter.
//
// Threads. An engine is built and its bank loaded on one thread (the user-interface thread)
// before anyone else sees it; after that its instrument list is fixed. From then on only the
// thread that renders (the audio thread, or the caller of render() while no output runs)
// touches the FluidSynth synthesizer, which is made without FluidSynth's own lock:
// - start_tone, stop_tone, control_change, program_change and select_or_first are called by
//   the playing threads (MIDI receive, user interface). They append to the engine's channel
//   queue (channel_event_queue.h), waiting while it is full, and return.
// - render() and render_driver_block() first apply what the queue holds, in order, at most
//   as much as FluidSynth's own event queue takes in one block, then render. No lock, no
//   allocation, no free: the samples a tone start plays were made by start_tone() on the
//   playing thread (sample_rate_cache.h), and what other threads replace (pitch corrections,
//   the document timbre's partials) is freed by them once no block can read it
//   (retiring_pointer.h). Built with the rtsan preset, this is checked as the tests run.
// - The readers (selection, selected_instrument, controller_value, copy_controllers_to)
//   answer from the values as last sent, from any thread, without touching the synthesizer.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/nonblocking.h"
#include "sound/bank_numbers.h"
#include "sound/bank_tone_shifts.h"
#include "sound/bank_tuning_job.h"
#include "sound/channel_event_queue.h"
#include "sound/exact_pitch_loader.h"
#include "sound/fluid_handles.h"
#include "sound/peak_limiter.h"
#include "sound/timbre_program.h"

namespace kelvara::sound {

struct Instrument {
    uint32_t identifier = 0;  // instrument_identifier(): what selecting it sends
    std::string name;
    int sfont_id = 0;
    int preset_bank = 0;  // the bank number the preset reports, used to select it
    int program = 0;
};

// Which loaders read bank files. FluidSynthOnly exists to compare against FluidSynth's own
// loaders (and is what compressed SF3 banks, which libinstpatch cannot read, get anyway).
enum class BankLoaders { ExactPitchFirst, FluidSynthOnly };

// The SelectInstrument index that selects the document's timbre (timbre_program.h).
inline constexpr uint32_t kDocumentTimbreIndex = UINT32_MAX;

// What a tone plays: the channel's selected program, or the document's timbre.
enum class ToneProgram { Selected, DocumentTimbre };

class SynthEngine {
public:
    static constexpr double kDefaultSampleRate = 48000.0;

    // Nothing when FluidSynth cannot create a synthesizer.
    static std::unique_ptr<SynthEngine> create(uint8_t channel,
                                               double sample_rate = kDefaultSampleRate,
                                               BankLoaders loaders = BankLoaders::ExactPitchFirst);
    ~SynthEngine();
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    // Bank loading, before the engine is shared. False when no loader accepts the data.
    bool load_bank_file(const std::string& path);
    bool load_bank_image(const std::vector<uint8_t>& image);

    // Pitch-true playback (bank_tuning.h). Turned on, a bank the exact-pitch loader read from
    // a file is measured on a thread of its own (or its tuning read from `cache`), and notes
    // started once that is done play at the corrected pitch; until then, and when turned off,
    // notes play the bank's own tuning. Nothing is measured before the first call with `on`.
    // Call from the thread that loads banks.
    void set_pitch_true(bool on, const BankTuningCache& cache);
    bool pitch_true() const { return context_.corrections.enabled(); }
    // Waits up to `timeout` for the bank's tuning; true when its corrections are in force.
    // Same thread as set_pitch_true().
    bool wait_for_bank_tuning(std::chrono::milliseconds timeout) const;

    const std::vector<Instrument>& instruments() const { return instruments_; }
    uint8_t channel() const { return channel_; }
    double sample_rate() const { return sample_rate_; }
    fluid_settings_t* settings() const { return settings_.get(); }

    // --- the playing threads: queued for the renderer ------------------------------------
    // Starts one tone at a fractional MIDI pitch; `id` later stops exactly this tone. Presets
    // of the exact-pitch loader play the pitch to about 0.02 cent; presets of FluidSynth's own
    // loaders are fine-tuned to the nearest cent. DocumentTimbre plays the document's timbre
    // whatever instrument is selected (the window's audition). The samples the tone plays are
    // made here. False (nothing queued) for a pitch that is not finite, without a selected
    // instrument, or when the queue gave up.
    bool start_tone(uint32_t id, float pitch, float velocity,
                    ToneProgram program = ToneProgram::Selected);
    // Moves a sounding tone of the document's timbre to `cents` from the pitch it started at
    // (a glide), exactly (timbre_program.cpp says how).
    void shift_tone(uint32_t id, float cents);
    void stop_tone(uint32_t id);
    // The partials the document's timbre sounds for tones started from now on.
    void set_document_timbre(const std::vector<TonePartial>& partials);
    // Selects the document's timbre as the channel's instrument (MIDI keys then play it);
    // a program change selects a bank instrument again.
    void select_document_timbre();
    bool document_timbre_selected() const {
        return selected_index_.load(std::memory_order_relaxed) == kTimbreSelected;
    }
    // Voices of the exact-pitch loader's banks and partials of the document's timbre that
    // played to the nearest cent because no sample was prepared at their exact rate (a full
    // sample cache, or corrections or partials that changed after the tone was queued).
    uint64_t voices_to_nearest_cent() const;
    // Partials of the document's timbre that found no free voice so far.
    uint64_t partials_without_voice() const {
        return timbre_ ? timbre_->partials_without_voice() : 0;
    }
    // Bank select (CC 0 and 32) is kept here and applied at the next program change; every
    // other controller goes to the synthesizer.
    void control_change(uint32_t controller, uint32_t value);
    // Selects the instrument at the stored bank select and this program; a program the bank
    // does not have in that bank is taken from bank 0, and otherwise nothing changes.
    void program_change(uint32_t program);
    // The bank select and program of the last program change that found an instrument.
    BankSelect selection() const;
    // Selects `wanted`, or when the bank has no such instrument its first instrument, so a
    // new engine always has a preset to play.
    void select_or_first(BankSelect wanted);
    // The channel's controller values, to carry them over to a new engine.
    void copy_controllers_to(SynthEngine& other) const;
    // Producers waiting for room return, and nothing more is queued: the engine is about to
    // be replaced. Any thread.
    void close_queue() { queue_.close(); }
    // Returns once the renderer has applied what was queued before the call, or at once
    // when the queue is closed or stalled (nothing rendered it for
    // ChannelEventQueue::kStallLimit).
    void wait_until_applied() const { queue_.wait_until_taken(); }
    // Events the queue refused because nothing rendered it (channel_event_queue.h).
    uint64_t dropped_events() const { return queue_.dropped(); }

    // --- the renderer ---------------------------------------------------------------------
    // One block into the two buffers (overwritten), through the limiter, after the queued
    // events. Safe on the audio thread.
    int render(float* left, float* right, int frames) noexcept KELVARA_NONBLOCKING;
    // One block for a FluidSynth audio driver callback (buffers already zeroed).
    int render_driver_block(int frames, int nout, float* out[]) noexcept KELVARA_NONBLOCKING;

    // --- readers, any thread: the state as last sent --------------------------------------
    // The bank instrument the channel plays; nothing when none was found or the document's
    // timbre plays.
    std::optional<Instrument> selected_instrument() const;
    // A controller value of the channel (bank select as stored for the next program change).
    std::optional<int> controller_value(uint32_t controller) const;

    // Output meter, written by whichever thread renders: frames rendered so far and the
    // largest absolute sample after the limiter since the last take_output_peak().
    uint64_t rendered_frames() const { return rendered_frames_.load(std::memory_order_relaxed); }
    float take_output_peak() { return output_peak_.exchange(0.0f, std::memory_order_relaxed); }

private:
    SynthEngine(uint8_t channel, double sample_rate);
    bool init(BankLoaders loaders);
    bool is_exact_pitch(fluid_preset_t* preset) const noexcept KELVARA_NONBLOCKING;
    void refresh_instruments();
    // The preset FluidSynth plays on the channel; while loading only.
    std::optional<Instrument> playing_instrument() const;
    // The index in instruments_, or -1.
    int find_instrument(BankSelect wanted) const;
    void select_instrument_index(int index);
    void set_controller(int controller, int value);
    // The renderer's side.
    void apply_queued_events() noexcept KELVARA_NONBLOCKING;
    int queue_cost(const ChannelEvent& event) const noexcept KELVARA_NONBLOCKING;
    void apply(const ChannelEvent& event) noexcept KELVARA_NONBLOCKING;
    void start(const ChannelEvent& event) noexcept KELVARA_NONBLOCKING;
    void shift(const ChannelEvent& event) noexcept KELVARA_NONBLOCKING;
    void fine_tune_tone(uint32_t id, float cents) noexcept KELVARA_NONBLOCKING;
    void move_bank_tone(uint32_t id, int32_t whole_cents) noexcept KELVARA_NONBLOCKING;
    void hand_changes_to_voices() noexcept KELVARA_NONBLOCKING;
    int render_frames(int offset, int count, int nout, float* out[]) noexcept KELVARA_NONBLOCKING;
    int timbre_voices() const noexcept KELVARA_NONBLOCKING;
    void meter(const float* left, const float* right, int frames) noexcept KELVARA_NONBLOCKING;

    // Members are destroyed bottom-up: the synth before the settings it was made from and
    // before the loader context its banks point into; the block counter after everything
    // that retires values by it.
    std::atomic<uint64_t> blocks_rendered_{0};
    ExactPitchContext context_;
    // Its samples outlive the synth's voices.
    std::unique_ptr<TimbreProgram> timbre_;
    FluidSettingsPtr settings_;
    FluidSynthPtr synth_;
    PeakLimiter limiter_;
    uint8_t channel_;
    double sample_rate_;
    std::vector<Instrument> instruments_;
    // By instrument: its preset when the exact-pitch loader read it (its tones' samples are
    // prepared), else null. Fixed once the bank is loaded.
    std::vector<fluid_preset_t*> presets_;
    ChannelEventQueue queue_;
    // The channel as last sent by the playing threads (applied by the renderer in order).
    std::array<std::atomic<int>, 128> controllers_{};
    std::atomic<int> bank_msb_{0};
    std::atomic<int> bank_lsb_{0};
    static constexpr int kTimbreSelected = -2;
    std::atomic<int> selected_index_{-1};  // into instruments_; -1: none; or kTimbreSelected
    // The renderer's own: FluidSynth queue slots one block may fill, and the most voices one
    // tone has started so far (what a tone start may cost).
    int queue_slots_per_block_ = 0;
    int voices_per_tone_ = 0;
    bool timbre_playing_ = false;  // the renderer's view of the selection
    BankToneShifts bank_shifts_;   // the renderer's: how far each bank tone has glided
    std::atomic<uint64_t> rendered_frames_{0};
    std::atomic<float> output_peak_{0.0f};
    // The bank file pitch-true playback measures (empty for banks from memory or another
    // loader), and its measurement; the job goes first, before the context it publishes to.
    std::string tunable_bank_;
    std::unique_ptr<BankTuningJob> tuning_job_;
};

}  // namespace kelvara::sound
