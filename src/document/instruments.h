#pragma once
// Instruments: what a document window plays through: the synthesizer its chords and volume
// go to, the sound bank and its programs, and the MIDI input that plays the chord map.
// InstrumentRig (instrument_rig.h) is the real one; a window without sound gets
// SilentInstruments. The window lets its instruments go before its document, so that
// nothing that plays can outlive the chord map it reads.
//
// Threads: everything here is called on the user-interface thread, except the note-played
// notification, which runs on the MIDI receive thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "document/adaptive_note_player.h"
#include "document/synth_channel.h"
#include "midi/note_player.h"

namespace kelvara {

class WindowKeys;

class Instruments {
public:
    virtual ~Instruments() = default;

    // The synthesizer's channel, where the document sends its volume.
    virtual SynthChannel& channel() = 0;

    // --- sound bank and programs -------------------------------------------------------
    // Whether there is a synthesizer whose bank can be changed.
    virtual bool has_synthesizer() const = 0;
    // The programs to choose from: with a synthesizer, "Document timbre" first (the
    // document's own partials), then the current bank's instruments, titled "%d : %s" (their
    // index in the bank and name), in bank order.
    virtual std::vector<std::string> program_titles() const = 0;
    // Selects item `index` of program_titles().
    virtual void select_program(int32_t index) = 0;
    // The item of program_titles() that plays, if known.
    virtual std::optional<int32_t> selected_program() const { return std::nullopt; }
    // Plays through the bank file at `path`. A refused bank gives its reason, and the bank
    // before it plays on with its program.
    virtual Result<void> load_sound_bank(const std::string& path) = 0;
    virtual void reset_to_default_bank() = 0;
    // The window has shown: the bank may now be measured for pitch-true playback, in the
    // background (see SoundSetup::measure_banks_at_once).
    virtual void allow_bank_measuring() = 0;

    // --- audition: tones of the document's timbre, played from the window ------------------
    // Starts one tone of the document's timbre per frequency, whatever program is selected;
    // one identifier per tone (0 for a tone that could not start).
    virtual std::vector<int32_t> start_tones(const std::vector<float>& frequencies_hz) {
        return std::vector<int32_t>(frequencies_hz.size(), 0);
    }
    // Glides a tone of start_tones() from the frequency it started at to `frequency_hz`.
    virtual void glide_tone(int32_t id, float started_frequency_hz, float frequency_hz) {
        (void)id, (void)started_frequency_hz, (void)frequency_hz;
    }
    virtual void stop_tones(const std::vector<int32_t>& ids) { (void)ids; }
    // Partials of the document's timbre that found no free voice so far (the synthesizer's
    // polyphony was used up); what is played is applied a block later.
    virtual uint64_t partials_without_voice() const { return 0; }

    // --- MIDI input ----------------------------------------------------------------------
    // The MIDI system in use ("ALSA sequencer", "JACK"), or empty for none.
    virtual std::string midi_system_name() const = 0;
    // The source list's titles, as listed by the last refresh.
    virtual std::vector<std::string> midi_source_titles() const = 0;
    // The list shows every source with a check mark, and the ones checked are connected.
    // This checks the source of item `index` (connecting it beside the others) or unchecks
    // it; false when there is no such item or it cannot be connected.
    virtual bool toggle_midi_source(int index) = 0;
    // Lists the sources again and connects every checked one that is listed (before the
    // first pick, the first source when none is checked).
    virtual void refresh_midi_sources() = 0;
    // The items of the connected sources, in list order.
    virtual std::vector<int> connected_midi_sources() const = 0;
    // `notify` runs on a MIDI system thread when sources come or go; it must only queue a
    // refresh for the user-interface thread.
    virtual void on_midi_sources_changed(std::function<void()> notify) = 0;
    // The key of the last note-on, nothing before the first.
    virtual std::optional<int> last_played_key() const = 0;
    // `notify` runs on the MIDI receive thread after each note-on, with its key; it must only
    // queue work for the user-interface thread.
    virtual void on_note_played(std::function<void(int key)> notify) = 0;
    // Keys played from now on also play on `mirror` (a synthesizer outside Kelvara, through
    // the window's MIDI output); null: here only. The mirror before it is released whole
    // first (midi/mirroring_note_player.h). Without a MIDI input this does nothing.
    virtual void mirror_midi_notes(std::shared_ptr<midi::NotePlayer> mirror) { (void)mirror; }

    // --- adaptive tuning -------------------------------------------------------------------
    // What the keys play (the MIDI input's and the window's own) is tuned with `setup` from
    // the next key on; nothing: later keys keep their pitches, and what sounds keeps the pitch
    // it has.
    virtual void set_adaptive_tuning(std::optional<AdaptiveTuningSetup> setup) { (void)setup; }
    // What sounds now and the pitches it glides to (none without a synthesizer). Any thread.
    virtual AdaptiveSounding adaptive_sounding() const { return {}; }

    // --- the window's own keys (the computer keyboard) ---------------------------------------
    // Keys that play as the MIDI input's do (window_keys.h); null when nothing sounds.
    virtual WindowKeys* window_keys() { return nullptr; }
};

// No synthesizer and no MIDI input: nothing sounds, nothing is listed.
class SilentInstruments final : public Instruments {
public:
    SynthChannel& channel() override { return channel_; }
    bool has_synthesizer() const override { return false; }
    std::vector<std::string> program_titles() const override { return {}; }
    void select_program(int32_t) override {}
    Result<void> load_sound_bank(const std::string&) override {
        return Error{
            ErrorKind::Refused, 0, "There is no synthesizer to load a bank into.", {}, {}, {}};
    }
    void reset_to_default_bank() override {}
    void allow_bank_measuring() override {}
    std::string midi_system_name() const override { return {}; }
    std::vector<std::string> midi_source_titles() const override { return {}; }
    bool toggle_midi_source(int) override { return false; }
    void refresh_midi_sources() override {}
    std::vector<int> connected_midi_sources() const override { return {}; }
    void on_midi_sources_changed(std::function<void()>) override {}
    std::optional<int> last_played_key() const override { return std::nullopt; }
    void on_note_played(std::function<void(int key)>) override {}

private:
    NullSynthChannel channel_;
};

}  // namespace kelvara
