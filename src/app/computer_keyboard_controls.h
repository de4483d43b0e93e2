#pragma once
// ComputerKeyboardControls: the toggle that turns two rows of the computer keyboard into keys
// (midi/computer_keyboard_layout.h), and the choice of what they play: the chord map, as
// the MIDI keys do, or the scale's steps from its 1/1 on Z. While the toggle is on, those
// keys play wherever the focus is in the window (with Ctrl, Alt or Meta held they do what
// they always do), the keyboard's own repeat is ignored, and every key held is let go when
// the window loses the focus or the toggle goes off. The keys go through the instruments'
// window keys (document/window_keys.h): the same note path as a MIDI keyboard's.
#include <QObject>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QWidget;

namespace kelvara {

class Document;
class DocumentView;
class Instruments;

class ComputerKeyboardControls final : public QObject {
    Q_OBJECT

public:
    // `window` is the one whose keys play; `view` says why the scale cannot be played (a
    // table with no step above 1/1). All must outlive the controls.
    ComputerKeyboardControls(const Document& document, Instruments& instruments, QWidget& window,
                             DocumentView& view);
    ~ComputerKeyboardControls() override;

    QCheckBox* toggle() const { return toggle_; }
    QComboBox* target_list() const { return target_list_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the event was a key of the two rows, played or let go here.
    bool play(const QKeyEvent& key_event);
    void release_all();
    // What the keys play from now on (the scale as the table is now): at the first key struck
    // when none is held, so that an edited table plays as it reads.
    void choose_target();

    const Document& document_;
    Instruments& instruments_;
    QWidget& window_;
    DocumentView& view_;
    QCheckBox* toggle_ = nullptr;
    QComboBox* target_list_ = nullptr;
};

}  // namespace kelvara
