#pragma once
// Fakes at the application's seams: dialogs answered in code, and a window's instruments
// that record what the window asks of them.
#include <QString>
#include <QStringList>
#include <atomic>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/document_controller.h"
#include "app/document_dialogs.h"
#include "document/instruments.h"
#include "midi/mirroring_note_player.h"
#include "support/recording_fakes.h"

namespace kelvara::testing {

// An unscripted question is answered as a user who cancels would answer it.
class ScriptedDialogs final : public DocumentDialogs {
public:
    std::deque<UnsavedChangesChoice> save_changes_answers;
    std::deque<QString> save_path_answers;  // an empty one is a cancelled dialog
    std::deque<bool> revert_answers;        // unscripted, a revert is confirmed
    // Unscripted, the choice of a bank is cancelled.
    std::deque<QString> sound_bank_answers;
    // Unscripted, a recent document that failed to open stays in the menu.
    std::deque<bool> recent_removal_answers;
    std::vector<std::pair<QString, QString>> offered_recent_removals;
    std::vector<QString> asked_revert_for;
    std::vector<QString> asked_save_changes_for;
    std::vector<QString> suggested_save_paths;
    std::vector<std::pair<QString, QString>> errors;

    UnsavedChangesChoice ask_save_changes(QWidget*, const QString& name) override {
        asked_save_changes_for.push_back(name);
        return take(save_changes_answers, UnsavedChangesChoice::Cancel);
    }
    bool confirm_revert(QWidget*, const QString& name) override {
        asked_revert_for.push_back(name);
        return take(revert_answers, true);
    }
    bool ask_restore_documents(const QStringList&) override { return false; }  // declined
    std::optional<QString> choose_document_to_open(QWidget*) override { return std::nullopt; }
    std::optional<QString> choose_save_path(QWidget*, const QString& suggested) override {
        suggested_save_paths.push_back(suggested);
        const QString path = take(save_path_answers, QString());
        return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
    }
    std::optional<QString> choose_sound_bank(QWidget*) override {
        const QString path = take(sound_bank_answers, QString());
        return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
    }
    void show_error(QWidget*, const QString& text, const QString& details) override {
        errors.emplace_back(text, details);
    }
    std::vector<std::pair<QString, QString>> notices;
    void show_notice(QWidget*, const QString& text, const QString& details) override {
        notices.emplace_back(text, details);
    }
    bool offer_recent_removal(QWidget*, const QString& text, const QString& details) override {
        offered_recent_removals.emplace_back(text, details);
        return take(recent_removal_answers, false);
    }

private:
    template <typename T>
    static T take(std::deque<T>& answers, T unscripted) {
        if (answers.empty()) return unscripted;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Plays nothing, one instance per tone.
class SilentNotePlayer final : public midi::NotePlayer {
public:
    midi::NoteInstances notes_on(const midi::Chord& chord, float) override {
        return midi::NoteInstances(chord.size(), 0);
    }
    void notes_off(const midi::NoteInstances&) override {}
    void set_midi_parameter(uint32_t, uint32_t) override {}
};

// A window's instruments: a recording synthesizer channel, a bank of two programs and two
// MIDI sources. play_note stands for the MIDI receive thread. (The real ones, InstrumentRig,
// are tested through the real synthesizer in tests/document/.)
class RecordingInstruments final : public Instruments {
public:
    RecordingSynthChannel recorded;
    std::vector<std::string> programs{"0 : Sine", "1 : Organ"};
    std::vector<int32_t> selected_programs;
    std::vector<std::string> loaded_banks;
    int resets = 0;
    bool refuse_banks = false;
    // The audition: each start's frequencies, each glide's target, each stop's identifiers.
    std::vector<std::vector<float>> started_tones;
    std::vector<float> glides;
    std::vector<std::vector<int32_t>> stopped_tones;

    SynthChannel& channel() override { return recorded; }
    std::vector<std::string> program_titles() const override { return programs; }
    void select_program(int32_t index) override { selected_programs.push_back(index); }
    Result<void> load_sound_bank(const std::string& path) override {
        loaded_banks.push_back(path);
        if (refuse_banks)
            return Error{ErrorKind::Refused,
                         0,
                         "The sound bank could not be loaded.",
                         "The file is not a sound bank.",
                         "0 bytes",
                         {path, {}, {}, {}, {}}};
        programs = {"0 : Loaded"};
        return {};
    }
    void reset_to_default_bank() override { ++resets; }
    std::vector<int32_t> start_tones(const std::vector<float>& frequencies_hz) override {
        started_tones.push_back(frequencies_hz);
        std::vector<int32_t> ids;
        for (size_t i = 0; i < frequencies_hz.size(); ++i) ids.push_back(++last_tone_id_);
        return ids;
    }
    void glide_tone(int32_t, float, float frequency_hz) override { glides.push_back(frequency_hz); }
    void stop_tones(const std::vector<int32_t>& ids) override { stopped_tones.push_back(ids); }
    bool measuring_allowed = false;
    void allow_bank_measuring() override { measuring_allowed = true; }
    bool has_synthesizer() const override { return true; }
    std::string midi_system_name() const override { return "JACK"; }
    std::vector<std::string> midi_source_titles() const override {
        return {"Keys", "Keys Synth B"};
    }
    bool toggle_midi_source(int) override { return true; }
    void refresh_midi_sources() override {}
    std::vector<int> connected_midi_sources() const override { return {0}; }
    void on_midi_sources_changed(std::function<void()>) override {}
    std::optional<int> last_played_key() const override {
        const int key = last_key_.load();
        return key < 0 ? std::nullopt : std::optional<int>(key);
    }
    void on_note_played(std::function<void(int key)> notify) override {
        notify_ = std::move(notify);
    }
    // What the MIDI input plays on, as in the real instruments: here nothing, and the window's
    // MIDI output while it mirrors the keys (`mirror`).
    const std::shared_ptr<midi::MirroringNotePlayer> keys =
        std::make_shared<midi::MirroringNotePlayer>(std::make_shared<SilentNotePlayer>());
    std::shared_ptr<midi::NotePlayer> mirror;
    void mirror_midi_notes(std::shared_ptr<midi::NotePlayer> player) override {
        mirror = player;
        keys->set_mirror(std::move(player));
    }
    void play_note(int key) {
        last_key_.store(key);
        if (notify_) notify_(key);
    }

private:
    int32_t last_tone_id_ = 0;
    std::atomic<int> last_key_{-1};
    std::function<void(int key)> notify_;
};

// A factory that remembers the channel of every window it equipped, in order.
struct RecordingInstrumentsFactory {
    std::vector<RecordingSynthChannel*> channels;
    InstrumentsFactory factory() {
        return [this](const Document&) {
            auto instruments = std::make_unique<RecordingInstruments>();
            channels.push_back(&instruments->recorded);
            return instruments;
        };
    }
};

}  // namespace kelvara::testing
