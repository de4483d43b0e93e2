#include "app/computer_keyboard_controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QWidget>

#include "document/document.h"
#include "document/document_view.h"
#include "document/instruments.h"
#include "document/window_keys.h"
#include "midi/computer_keyboard_layout.h"

namespace kelvara {
namespace {
enum Target { kChordMap = 0, kScaleSteps = 1 };
constexpr Qt::KeyboardModifiers kShortcutModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
}  // namespace

ComputerKeyboardControls::ComputerKeyboardControls(const Document& document,
                                                   Instruments& instruments, QWidget& window,
                                                   DocumentView& view)
    : document_(document), instruments_(instruments), window_(window), view_(view) {
    toggle_ = new QCheckBox(tr("Play from the computer &keyboard"));
    toggle_->setObjectName(QStringLiteral("computer_keyboard_box"));
    toggle_->setToolTip(
        tr("While checked, two rows of the computer keyboard are keys: Z S X D C V G B H N J M "
           "from middle C (MIDI key 60), Q 2 W 3 E R 5 T 6 Y 7 U I from the C above, wherever "
           "the focus is in this window (with Ctrl or Alt they do as always). Every key is "
           "let go when the window loses the focus"));
    target_list_ = new QComboBox;
    target_list_->setObjectName(QStringLiteral("computer_keyboard_target"));
    target_list_->addItems({tr("Chord map"), tr("Scale steps")});
    target_list_->setToolTip(
        tr("What the computer keyboard plays: the chord map's chords, as the MIDI keys do, "
           "or the scale table's steps, its 1/1 at the base frequency on Z"));
    const bool playing = instruments_.window_keys() != nullptr;
    toggle_->setEnabled(playing);
    target_list_->setEnabled(playing);
    connect(toggle_, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) release_all();
    });
    connect(target_list_, &QComboBox::activated, this, [this] { choose_target(); });
    // The application's filter sees a key before the widget with the focus does, so the
    // rows play whatever has it; the window's own events say when it loses the focus.
    qApp->installEventFilter(this);
}

ComputerKeyboardControls::~ComputerKeyboardControls() {
    qApp->removeEventFilter(this);
    release_all();
}

bool ComputerKeyboardControls::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == &window_ && type == QEvent::WindowDeactivate) {
        release_all();
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    if (!toggle_->isChecked() || !watched->isWidgetType() ||
        static_cast<QWidget*>(watched)->window() != &window_)
        return false;
    const auto& key_event = static_cast<const QKeyEvent&>(*event);
    if (key_event.modifiers() & kShortcutModifiers) return false;
    if (type == QEvent::ShortcutOverride) {
        // A key of the rows is a key here, never a shortcut.
        const bool ours = midi::computer_keyboard_key(key_event.key()).has_value();
        if (ours) event->accept();
        return ours;
    }
    return play(key_event);
}

bool ComputerKeyboardControls::play(const QKeyEvent& key_event) {
    const std::optional<int> key = midi::computer_keyboard_key(key_event.key());
    WindowKeys* keys = instruments_.window_keys();
    if (!key || !keys) return false;
    // The keyboard's own repeat sends presses and releases while a key is held: ignored.
    if (key_event.isAutoRepeat()) return true;
    if (key_event.type() == QEvent::KeyRelease) {
        keys->release(*key);
        return true;
    }
    if (target_list_->currentIndex() == kScaleSteps && !keys->any_held()) choose_target();
    keys->press(*key);
    return true;
}

void ComputerKeyboardControls::release_all() {
    if (WindowKeys* keys = instruments_.window_keys()) keys->release_all();
}

void ComputerKeyboardControls::choose_target() {
    WindowKeys* keys = instruments_.window_keys();
    if (!keys) return;
    if (target_list_->currentIndex() != kScaleSteps) {
        keys->play_scale(std::nullopt);
        return;
    }
    const Result<ScaleTuning> tuning = document_.scale_tuning(TuningChoice{});
    if (!tuning) {
        view_.show_refusal(tuning.error().explanation());
        target_list_->setCurrentIndex(kChordMap);
        keys->play_scale(std::nullopt);
        return;
    }
    keys->play_scale(key_frequencies(*tuning));
}

}  // namespace kelvara
