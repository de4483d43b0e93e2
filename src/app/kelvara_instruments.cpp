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
    explicit SynthNotePlayer(SynthController& sc) : sc_(sc) {}
    midi::NoteInstances notes_on(const midi::Chord& chord, float velocity) override {
        return sc_.notes_on(chord, velocity);
    }
    void notes_off(const midi::NoteInstances& notes) override { sc_.notes_off(notes); }
    void set_midi_parameter(uint32_t controller, uint32_t value) override {
        sc_.set_midi_parameter(controller, value);
    }

private:
    SynthController& sc_;
};

// The document's chord map as last published after an edit: safe to read on any thread.
class PublishedChords final : public midi::ChordLookup {
public:
    explicit PublishedChords(const Document& document) : document_(document) {}
    std::shared_ptr<const midi::Chord> chord_for_key(int key) const override {
        return document_.chord_for_key(key);
    }

private:
    const Document& document_;
};

class KelvaraInstruments final : public DocumentInstruments, public SynthChannel {
public:
    explicit KelvaraInstruments(const Document& document)
        : sc_(SynthController::init_with_channel(0)),
          last_played_(std::make_shared<midi::LastPlayedKey>([this](int) { note_played(); })) {
        // A graph that cannot be built leaves the wrapper silent; the window still works.
        if (sc_->create_au_graph()) sc_->start_graph();
        midi::MidiClientOpening opening =
            midi::open_midi_client("Kelvara", midi::midi_system_from_environment(nullptr));
        midi_ = std::make_unique<midi::MidiInput>(
            std::move(opening.client),
            midi::MidiPlaybackTargets{std::make_shared<SynthNotePlayer>(*sc_),
                                      std::make_shared<PublishedChords>(document), last_played_});
    }
    ~KelvaraInstruments() override {
        // MIDI delivery ends (port disposed, receive thread joined) before the synthesizer
        // it plays goes.
        midi_.reset();
        sc_->stop_graph();
    }

    SynthChannel* channel() override { return this; }
    void set_midi_parameter(uint32_t controller, uint32_t value) override {
        sc_->set_midi_parameter(controller, value);
    }

    std::vector<std::string> program_titles() const override {
        std::vector<ProgramItem> items;
        sc_->fill_in_program_button(items);
        std::vector<std::string> titles;
        titles.reserve(items.size());
        for (const ProgramItem& item : items) titles.push_back(item.title);
        return titles;
    }
    void select_instrument(int32_t index) override { sc_->select_instrument(index); }
    bool load_sound_bank(const std::string& path) override {
        if (sc_->load_font(path)) return true;
        sc_->reset_to_default_bank();
        return false;
    }
    void reset_to_default_bank() override { sc_->reset_to_default_bank(); }
    bool has_synthesizer() const override { return true; }

    std::string midi_system_name() const override { return midi_->system_name(); }
    std::vector<std::string> midi_source_titles() const override {
        std::vector<std::string> titles;
        for (const midi::MidiSourceItem& item : midi_->source_items()) titles.push_back(item.title);
        return titles;
    }
    bool connect_source(int index) override { return midi_->connect_source(index); }
    std::optional<int> last_played_key() const override { return last_played_->value(); }
    void on_note_played(std::function<void()> notify) override {
        const std::lock_guard lock(notify_mutex_);
        notify_ = std::move(notify);
    }

private:
    // Receive thread.
    void note_played() {
        const std::lock_guard lock(notify_mutex_);
        if (notify_) notify_();
    }

    std::unique_ptr<SynthController> sc_;
    std::mutex notify_mutex_;
    std::function<void()> notify_;
    std::shared_ptr<midi::LastPlayedKey> last_played_;
    std::unique_ptr<midi::MidiInput> midi_;
};

}  // namespace

std::unique_ptr<DocumentInstruments> make_kelvara_instruments(const Document& document) {
    return std::make_unique<KelvaraInstruments>(document);
}

}  // namespace kelvara
