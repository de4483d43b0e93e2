#pragma once
// Fakes at the application's seams: dialogs answered in code, and document files kept in
// memory (the fields the controller tests look at).
#include <QString>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/document_controller.h"
#include "app/document_dialogs.h"
#include "app/document_store.h"
#include "document/document.h"
#include "document/instruments.h"
#include "support/recording_fakes.h"

namespace kelvara::testing {

class ScriptedDialogs final : public DocumentDialogs {
public:
    std::deque<UnsavedChangesChoice> save_changes_answers;
    // Paths the user picks, in order; an empty one is a cancelled dialog.
    std::deque<QString> open_answers;
    std::deque<QString> save_path_answers;
    std::deque<QString> sound_bank_answers;

    std::vector<QString> asked_save_changes_for;
    std::vector<QString> suggested_save_paths;
    std::vector<std::pair<QString, QString>> errors;

    UnsavedChangesChoice ask_save_changes(QWidget*, const QString& name) override {
        asked_save_changes_for.push_back(name);
        return next(save_changes_answers, UnsavedChangesChoice::Cancel);
    }
    std::optional<QString> choose_document_to_open(QWidget*) override {
        return picked(open_answers);
    }
    std::optional<QString> choose_save_path(QWidget*, const QString& suggested) override {
        suggested_save_paths.push_back(suggested);
        return picked(save_path_answers);
    }
    std::optional<QString> choose_sound_bank(QWidget*) override {
        return picked(sound_bank_answers);
    }
    void show_error(QWidget*, const QString& text, const QString& details) override {
        errors.emplace_back(text, details);
    }
    std::vector<std::pair<QString, QString>> notices;
    void show_notice(QWidget*, const QString& text, const QString& details) override {
        notices.emplace_back(text, details);
    }

private:
    static std::optional<QString> picked(std::deque<QString>& answers) {
        const QString path = next(answers, QString());
        if (path.isEmpty()) return std::nullopt;
        return path;
    }
    // An unscripted question is answered as a user who cancels would answer it.
    template <typename T>
    static T next(std::deque<T>& answers, T fallback) {
        if (answers.empty()) return fallback;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Keeps, per path, the state of the document saved there.
class MemoryDocumentStore final : public DocumentStore {
public:
    std::map<std::string, DocumentFileState> files;
    std::optional<Error> next_save_error;

    // A new document's state with these two values changed.
    static DocumentFileState saved(double base_frequency, int32_t volume) {
        DocumentFileState state;
        state.base_frequency = base_frequency;
        state.volume = volume;
        return state;
    }

    Result<void> read(Document& document, const std::string& path) override {
        const auto found = files.find(path);
        if (found == files.end())
            return Error{ErrorKind::Refused,
                         0,
                         "The file could not be read.",
                         "It is not a Kelvara document.",
                         {},
                         {}};
        return document.apply_state(found->second);
    }
    Result<void> save(const Document& document, const std::string& path) override {
        if (next_save_error) {
            Error error = *next_save_error;
            next_save_error.reset();
            return error;
        }
        files[path] = document.state();
        return {};
    }
};

// A window's instruments with a recording synthesizer channel, a bank of two programs and
// two MIDI sources. play_note stands for the MIDI receive thread. (The real ones,
// InstrumentRig, are tested through the real synthesizer in tests/document/.)
class RecordingInstruments final : public Instruments {
public:
    RecordingSynthChannel recorded;
    std::vector<std::string> programs{"0 : Sine", "1 : Organ"};
    std::vector<std::string> sources{"Keys", "Keys Synth B"};
    std::vector<int32_t> selected_programs;
    std::vector<int> connected_sources;
    std::vector<std::string> loaded_banks;
    int resets = 0;
    bool refuse_banks = false;

    SynthChannel& channel() override { return recorded; }
    std::vector<std::string> program_titles() const override { return programs; }
    void select_program(int32_t index) override { selected_programs.push_back(index); }
    Result<void> load_sound_bank(const std::string& path) override {
        loaded_banks.push_back(path);
        if (refuse_banks)
            return Error{ErrorKind::Refused,  0,  "The sound bank could not be loaded.",
                         "It is not a bank.", {}, {}};
        programs = {"0 : Loaded"};
        return {};
    }
    void reset_to_default_bank() override {
        ++resets;
        programs = {"0 : Sine", "1 : Organ"};
    }
    bool has_synthesizer() const override { return true; }
    std::string midi_system_name() const override { return "JACK"; }
    std::vector<std::string> midi_source_titles() const override { return sources; }
    bool connect_midi_source(int index) override {
        connected_sources.push_back(index);
        return true;
    }
    std::optional<int> last_played_key() const override {
        const int key = last_key_.load();
        if (key < 0) return std::nullopt;
        return key;
    }
    void on_note_played(std::function<void(int key)> notify) override {
        notify_ = std::move(notify);
    }

    void play_note(int key) {
        last_key_.store(key);
        if (notify_) notify_(key);
    }

private:
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
