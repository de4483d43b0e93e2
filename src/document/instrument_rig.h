#pragma once
// InstrumentRig: the one wiring of MIDI input, chord lookup and the synthesizer. A key
// struck on a connected source plays the chord the document last published for it, at
// exact pitches, through the rig's synthesizer; a control change goes to the synthesizer's
// channel. The window (through Instruments), `kelvara-cli play` and `midi-play`, and the
// thread tests all play through this class.
//
// Teardown order is part of the type: the MIDI input goes first (its port disposed, its
// receive thread joined, no callback running), then the synthesizer it played. Joining never
// waits long: a receive thread waiting for room in the synthesizer's channel queue gets it
// from the audio thread, which still runs, and when nothing renders (an offline renderer that
// stopped) the queue refuses after one stall limit in all (sound/channel_event_queue.h).
//
// Threads: construction, destruction and every member function on the user-interface
// thread. The MIDI receive thread plays through the synthesizer and runs the note-played
// notification; a thread of the MIDI system runs the sources-changed one.
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "document/adaptive_note_player.h"
#include "document/instruments.h"
#include "document/window_keys.h"
#include "midi/last_played_key.h"
#include "midi/midi_input.h"
#include "midi/midi_system.h"
#include "midi/mirroring_note_player.h"
#include "sound/synth_controller.h"

namespace kelvara {

class PublishedChordMap;

class InstrumentRig final : public Instruments, private SynthChannel {
public:
    struct Setup {
        SoundSetup sound;
        // The client of the MIDI system to listen on; null: the one KELVARA_MIDI asks for,
        // or the first that opens (midi_system_selection.h).
        std::unique_ptr<midi::MidiClient> midi_client;
    };

    // Builds the synthesizer with the default bank and starts it; one that cannot be built
    // leaves the rig silent (synthesizer_built() is false) while MIDI is still listed.
    // `chords` (the document's published chord map) must outlive the rig.
    InstrumentRig(const PublishedChordMap& chords, Setup setup);
    ~InstrumentRig() override;
    InstrumentRig(const InstrumentRig&) = delete;
    InstrumentRig& operator=(const InstrumentRig&) = delete;

    SynthController& synth() { return *synth_; }
    // Adaptive tuning of what the MIDI keys play (off until set_tuning is given a setup).
    AdaptiveNotePlayer& adaptive() { return *adaptive_; }
    // Valid until close_midi_input().
    midi::MidiInput& midi_input() { return *midi_; }
    bool synthesizer_built() const { return synthesizer_built_; }
    // Ends MIDI delivery now (the port goes, its receive thread is joined); the synthesizer
    // stays and lets what sounds fade. No source is listed or connected after it.
    void close_midi_input() { midi_.reset(); }

    // --- Instruments -----------------------------------------------------------------------
    SynthChannel& channel() override { return *this; }
    bool has_synthesizer() const override { return true; }
    // "Document timbre", then the bank's own list (which SynthController::programs() gives
    // with the bank's indexes).
    std::vector<std::string> program_titles() const override;
    void select_program(int32_t index) override;
    std::optional<int32_t> selected_program() const override;
    // A refused bank leaves the bank before it playing, with its program, and gives the
    // refusal. Either way the synthesizer keeps the values the document sent (its volume):
    // the sound follows the slider, not a new synthesizer's defaults.
    Result<void> load_sound_bank(const std::string& path) override;
    void reset_to_default_bank() override;
    void allow_bank_measuring() override { synth_->allow_bank_measuring(); }
    std::string midi_system_name() const override;
    std::vector<std::string> midi_source_titles() const override;
    bool toggle_midi_source(int index) override;
    void refresh_midi_sources() override;
    std::vector<int> connected_midi_sources() const override;
    void on_midi_sources_changed(std::function<void()> notify) override;
    std::optional<int> last_played_key() const override { return last_played_->value(); }
    void on_note_played(std::function<void(int key)> notify) override;
    void mirror_midi_notes(std::shared_ptr<midi::NotePlayer> mirror) override {
        keys_->set_mirror(std::move(mirror));
    }
    std::vector<int32_t> start_tones(const std::vector<float>& frequencies_hz) override;
    void glide_tone(int32_t id, float started_frequency_hz, float frequency_hz) override {
        synth_->glide_note(id, started_frequency_hz, frequency_hz);
    }
    void stop_tones(const std::vector<int32_t>& ids) override { synth_->notes_off(ids); }
    uint64_t partials_without_voice() const override { return synth_->partials_without_voice(); }
    WindowKeys* window_keys() override { return &window_keys_; }
    void set_adaptive_tuning(std::optional<AdaptiveTuningSetup> setup) override {
        adaptive_->set_tuning(std::move(setup));
    }
    AdaptiveSounding adaptive_sounding() const override { return adaptive_->sounding(); }

private:
    // SynthChannel: the document's volume, pitch-true choice and timbre.
    void set_midi_parameter(uint32_t controller, uint32_t value) override;
    void set_pitch_true(bool on) override { synth_->set_pitch_true(on); }
    void set_timbre(const std::vector<TonePartial>& partials) override {
        synth_->set_document_timbre(partials);
    }
    // Sends the document's controller values again (to a new synthesizer).
    void resend_document_parameters();
    // Receive thread.
    void note_played(int key);
    // A MIDI system thread.
    void midi_sources_changed();

    const std::shared_ptr<SynthController> synth_;
    bool synthesizer_built_ = false;
    // The controller values the document sent last, by controller; user-interface thread.
    std::array<std::optional<uint32_t>, 128> document_parameters_{};
    std::mutex notify_mutex_;
    std::function<void(int key)> notify_;           // guarded by notify_mutex_
    std::function<void()> notify_sources_changed_;  // guarded by notify_mutex_
    const std::shared_ptr<midi::LastPlayedKey> last_played_;
    // What the keys play on: the synthesizer, and the window's outside one.
    const std::shared_ptr<midi::MirroringNotePlayer> keys_;
    // What the MIDI input and the window's keys play through: both of them, retuned while
    // adaptive tuning is on. A chord held on either is tuned with what the other holds.
    const std::shared_ptr<AdaptiveNotePlayer> adaptive_;
    const std::shared_ptr<const midi::ChordLookup> chord_lookup_;
    // The window's own keys, on the same chords and last-played key as the MIDI input.
    WindowKeys window_keys_;
    // Declared last: destroyed first, so MIDI delivery ends before anything it uses goes.
    std::unique_ptr<midi::MidiInput> midi_;
};

}  // namespace kelvara
