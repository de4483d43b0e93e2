// The sound and MIDI strip of a document window: volume, instrument and bank, MIDI input
// and the last key played.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "app/document_window.h"

namespace kelvara {

void DocumentWindow::connect_sound_controls() {
    // The slider's own value changes are the user's: the document's updates are shown with
    // the signals blocked (show_volume).
    connect(_widgets.volume_ctl, &QSlider::valueChanged, this,
            [this](int value) { _document->volume_set(value); });

    const QString unavailable = tr("Not available in this build");
    for (QWidget* control : {static_cast<QWidget*>(_widgets.midi_sources_btn),
                             static_cast<QWidget*>(_widgets.program_btn),
                             static_cast<QWidget*>(_widgets.load_sound_font_btn),
                             static_cast<QWidget*>(_widgets.load_default_sounds_btn)}) {
        control->setEnabled(false);
        control->setToolTip(unavailable);
    }
    _widgets.last_played_tf->setText(QStringLiteral("-"));
}

void DocumentWindow::show_volume(int32_t volume) {
    const QSignalBlocker quiet(_widgets.volume_ctl);
    _widgets.volume_ctl->setValue(volume);
}

}  // namespace kelvara
