// The sound and MIDI strip of a document window: volume, instrument and bank, the bank's
// own tuning or pitch-true playback, MIDI input and the last key played. The document sends
// the volume and the tuning choice; the window's instruments hold
// the bank, its programs and the MIDI input.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "app/document_dialogs.h"
#include "app/document_window.h"

namespace kelvara {

void DocumentWindow::connect_sound_controls() {
    // The slider's own value changes are the user's: the document's updates are shown with
    // the signals blocked (show_volume).
    connect(widgets_.volume_slider, &QSlider::valueChanged, this,
            [this](int value) { document_->playback_actions().set_volume(value); });
    // A drag of the slider is one undo step, however many values it passes.
    connect(widgets_.volume_slider, &QSlider::sliderPressed, this,
            [this] { document_->history().begin_continuous_edit(); });
    connect(widgets_.volume_slider, &QSlider::sliderReleased, this,
            [this] { document_->history().end_continuous_edit(); });

    connect(widgets_.instrument_list, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) instruments_->select_program(index);
    });
    connect(widgets_.load_bank_button, &QPushButton::clicked, this,
            [this] { load_chosen_sound_bank(); });
    connect(widgets_.default_bank_button, &QPushButton::clicked, this, [this] {
        instruments_->reset_to_default_bank();
        show_instruments();
    });
    // Like the slider, the box's own changes are the user's (show_pitch_true blocks them).
    connect(widgets_.bank_tuning_box, &QCheckBox::toggled, this,
            [this](bool own_tuning) { document_->playback_actions().set_pitch_true(!own_tuning); });
    // The pop-up shows the source that is connected: after a pick, that one, or none when
    // it could not be connected.
    connect(widgets_.midi_source_list, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) instruments_->connect_midi_source(index);
        show_midi_sources();
    });
    // The MIDI threads only queue the updates; the widgets are written here, on this thread.
    instruments_->on_note_played([this](int) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                show_last_played();
                report_lacking_voices_soon();
            },
            Qt::QueuedConnection);
    });
    instruments_->on_midi_sources_changed([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                instruments_->refresh_midi_sources();
                show_midi_sources();
            },
            Qt::QueuedConnection);
    });
}

// What the window shows of its instruments once it is built, after the document has shown
// its own values (which end with the volume): the MIDI source list with the first source
// connected, "-" in the last-played field, the MIDI destinations, then the program list,
// whose first program, the document's own timbre, plays.
void DocumentWindow::show_sound_strip() {
    instruments_->refresh_midi_sources();
    show_midi_sources();
    show_midi_destinations();
    widgets_.last_key_field->setText(QStringLiteral("-"));
    if (!instruments_->program_titles().empty()) instruments_->select_program(0);
    show_instruments();
}

void DocumentWindow::show_midi_sources() {
    QComboBox* sources = widgets_.midi_source_list;
    sources->clear();
    const std::string system = instruments_->midi_system_name();
    for (const std::string& title : instruments_->midi_source_titles())
        sources->addItem(QString::fromStdString(title));
    sources->setCurrentIndex(instruments_->connected_midi_source().value_or(-1));
    sources->setEnabled(sources->count() > 0);
    const QString system_name = QString::fromStdString(system);
    if (system.empty())
        sources->setToolTip(
            tr("No MIDI system is available: start JACK, or check that the ALSA sequencer "
               "is loaded, then open the document again"));
    else if (sources->count() == 0)
        sources->setToolTip(tr("No MIDI keyboard is connected to the %1; one plugged in "
                               "appears here and plays at once")
                                .arg(system_name));
    else
        sources->setToolTip(tr("The MIDI keyboard that plays this document (%1)").arg(system_name));
}

void DocumentWindow::show_instruments() {
    QComboBox* programs = widgets_.instrument_list;
    programs->clear();
    for (const std::string& title : instruments_->program_titles())
        programs->addItem(QString::fromStdString(title));
    if (const auto selected = instruments_->selected_program())
        programs->setCurrentIndex(*selected);
    const bool sounding = instruments_->has_synthesizer();
    programs->setEnabled(programs->count() > 0);
    widgets_.load_bank_button->setEnabled(sounding);
    widgets_.default_bank_button->setEnabled(sounding);
    widgets_.bank_tuning_box->setEnabled(sounding);
}

void DocumentWindow::show_last_played() {
    const auto key = instruments_->last_played_key();
    widgets_.last_key_field->setText(key ? QString::number(*key) : QStringLiteral("-"));
}

void DocumentWindow::load_chosen_sound_bank() {
    if (!dialogs_) return;
    const std::optional<QString> path = dialogs_->choose_sound_bank(this);
    if (!path) return;
    const Result<void> loaded =
        instruments_->load_sound_bank(QFile::encodeName(*path).toStdString());
    if (loaded) {
        show_instruments();
        return;
    }
    // The bank before plays on with its program, so the list stays as it is. The heading
    // names the file; the path is not repeated under it.
    Error refused = loaded.error();
    refused.where.file.clear();
    dialogs_->show_error(
        this,
        tr("The sound bank \u201c%1\u201d could not be loaded.").arg(QFileInfo(*path).fileName()),
        QString::fromStdString(refused.explanation()) + QStringLiteral("\n\n") +
            tr("The bank you had plays on."));
}

void DocumentWindow::show_volume(int32_t volume) {
    const QSignalBlocker quiet(widgets_.volume_slider);
    widgets_.volume_slider->setValue(volume);
}

void DocumentWindow::show_pitch_true(bool pitch_true) {
    const QSignalBlocker quiet(widgets_.bank_tuning_box);
    widgets_.bank_tuning_box->setChecked(!pitch_true);
}

}  // namespace kelvara
