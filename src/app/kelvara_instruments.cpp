#include "app/kelvara_instruments.h"

#include <mutex>

#include "document/document.h"
#include "midi/midi_input.h"
#include "midi/midi_system_selection.h"
#include "sound/synth_controller.h"

namespace kelvara {
namespace {

// The synthesizer wrapper as the packet handler plays it, from the MIDI receive thread.
class SynthNotePlayer final : public midi::NotePlayer {
public:
    explicit SynthNotePlayer(SynthController& sc) : _sc(sc) {}
    midi::NoteInstances notes_on(const midi::Chord& chord, float velocity) override {
        return _sc.notes_on(chord, velocity);
    }
    void notes_off(const midi::NoteInstances& notes) override { _sc.notes_off(notes); }
    void set_midi_parameter(uint32_t controller, uint32_t value) override {
        _sc.set_midi_parameter(controller, value);
    }

private:
    SynthController& _sc;
};

// The document's chord map as last published after an edit: safe to read on any thread.
class PublishedChords final : public midi::ChordLookup {
public:
    explicit PublishedChords(const Document& document) : _document(document) {}
    std::shared_ptr<const midi::Chord> chord_for_key(int key) const override {
        return _document.chord_for_key(key);
    }

private:
    const Document& _document;
};

class KelvaraInstruments final : public DocumentInstruments, public SynthChannel {
public:
    explicit KelvaraInstruments(const Document& document)
        : _sc(SynthController::init_with_channel(0)),
          _last_played(std::make_shared<midi::LastPlayedKey>([this](int) { note_played(); })) {
        // A graph that cannot be built leaves the wrapper silent; the window still works.
        if (_sc->create_au_graph()) _sc->start_graph();
        midi::MidiClientOpening opening =
            midi::open_midi_client("Kelvara", midi::midi_system_from_environment(nullptr));
        _midi = std::make_unique<midi::MidiInput>(
            std::move(opening.client),
            midi::MidiPlaybackTargets{std::make_shared<SynthNotePlayer>(*_sc),
                                      std::make_shared<PublishedChords>(document), _last_played});
    }
    ~KelvaraInstruments() override {
        // MIDI delivery ends (port disposed, receive thread joined) before the synthesizer
        // it plays goes.
        _midi.reset();
        _sc->stop_graph();
    }

    SynthChannel* channel() override { return this; }
    void set_midi_parameter(uint32_t controller, uint32_t value) override {
        _sc->set_midi_parameter(controller, value);
    }

    std::vector<std::string> program_titles() const override {
        std::vector<ProgramItem> items;
        _sc->fill_in_program_button(items);
        std::vector<std::string> titles;
        titles.reserve(items.size());
        for (const ProgramItem& item : items) titles.push_back(item.title);
        return titles;
    }
    void select_instrument(int32_t index) override { _sc->select_instrument(index); }
    bool load_sound_bank(const std::string& path) override {
        if (_sc->load_font(path)) return true;
        _sc->reset_to_default_bank();
        return false;
    }
    void reset_to_default_bank() override { _sc->reset_to_default_bank(); }
    bool has_synthesizer() const override { return true; }

    std::string midi_system_name() const override { return _midi->system_name(); }
    std::vector<std::string> midi_source_titles() const override {
        std::vector<std::string> titles;
        for (const midi::MidiSourceItem& item : _midi->fill_in_midi_source_list())
            titles.push_back(item.title);
        return titles;
    }
    bool midi_source_selected(int index) override { return _midi->midi_source_selected(index); }
    std::optional<int> last_played_key() const override { return _last_played->value(); }
    void on_note_played(std::function<void()> notify) override {
        const std::lock_guard lock(_notify_mutex);
        _notify = std::move(notify);
    }

private:
    // Receive thread.
    void note_played() {
        const std::lock_guard lock(_notify_mutex);
        if (_notify) _notify();
    }

    std::unique_ptr<SynthController> _sc;
    std::mutex _notify_mutex;
    std::function<void()> _notify;
    std::shared_ptr<midi::LastPlayedKey> _last_played;
    std::unique_ptr<midi::MidiInput> _midi;
};

}  // namespace

std::unique_ptr<DocumentInstruments> make_kelvara_instruments(const Document& document) {
    return std::make_unique<KelvaraInstruments>(document);
}

}  // namespace kelvara
