#pragma once
// SoundControls: the sound and MIDI strip of a document window: the MIDI input and the last
// key played, the computer keyboard's keys, adaptive tuning (app/adaptive_panel.h), the MIDI
// output's list (driven by MidiOutputControls), the volume, the instrument and its bank, and the
// bank's own tuning or pitch-true playback. The document sends the volume and the tuning choice;
// the window's instruments hold the bank, its programs and the MIDI input.
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "app/computer_keyboard_controls.h"
#include "app/midi_output_controls.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;
class QWidget;

namespace kelvara {

class AdaptivePanel;
class Document;
class DocumentDialogs;
class Instruments;
class RescanningComboBox;

class SoundControls final : public QObject {
    Q_OBJECT

public:
    // `window` is where the bank's dialogs open and whose keys the computer keyboard plays;
    // `view` shows why the keys cannot play the scale.
    SoundControls(Document& document, Instruments& instruments, QWidget& window,
                  DocumentView& view);
    ~SoundControls() override;

    QWidget* strip() const { return strip_; }
    // The Adaptive toggle's dock, a child of the window, which places it.
    AdaptivePanel* adaptive_panel() const { return adaptive_panel_; }
    std::vector<QWidget*> tab_chain() const;
    // The MIDI output's widgets, which MidiOutputControls drives.
    MidiOutputControls::Widgets midi_output_widgets() const {
        return {*midi_destination_list_, *midi_output_mode_list_, *bend_range_box_};
    }
    // Where Load Bank asks for a file and says why one was refused; without them the button
    // does nothing. They must outlive the controls.
    void set_dialogs(DocumentDialogs& dialogs) { dialogs_ = &dialogs; }

    // What the strip shows once the window is built, after the document has shown its own
    // values: the MIDI sources with the checked ones connected, "-" as the last key, then the
    // programs, whose first, the document's own timbre, plays.
    void show_strip();
    // What the document shows (DocumentView).
    void show_volume(int32_t volume);
    void show_pitch_true(bool pitch_true);

signals:
    // A MIDI key was played (on the user-interface thread).
    void note_played();

private:
    void build();
    void connect_controls();
    void show_midi_sources();
    void show_instruments();
    void show_last_played();
    void load_chosen_sound_bank();

    Document& document_;
    Instruments& instruments_;
    QWidget& window_;
    DocumentDialogs* dialogs_ = nullptr;
    QWidget* strip_ = nullptr;
    QToolButton* midi_source_list_ = nullptr;
    QMenu* midi_source_menu_ = nullptr;
    QLineEdit* last_key_field_ = nullptr;
    // "None", then the destinations (refreshed each time the list opens).
    RescanningComboBox* midi_destination_list_ = nullptr;
    QComboBox* midi_output_mode_list_ = nullptr;
    QSpinBox* bend_range_box_ = nullptr;
    QComboBox* instrument_list_ = nullptr;
    QPushButton* load_bank_button_ = nullptr;
    QPushButton* default_bank_button_ = nullptr;
    // Checked: the bank's own tuning; unchecked (the default): pitch-true playback.
    QCheckBox* bank_tuning_box_ = nullptr;
    QSlider* volume_slider_ = nullptr;
    std::unique_ptr<ComputerKeyboardControls> computer_keyboard_;
    AdaptivePanel* adaptive_panel_ = nullptr;  // owned by the window
};

}  // namespace kelvara
