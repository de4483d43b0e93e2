// The sound and MIDI strip of a document window: volume, instrument and bank, the bank's
// own tuning or pitch-true playback, MIDI input and the last key played. The document sends
// the volume and the tuning choice; the window's instruments hold
// the bank, its programs and the MIDI input.
#include <QCheckBox>
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
    connect(widgets_.volume_slider, &QSlider::valueChanged, this,
            [this](int value) { document_->set_volume(value); });
    // A drag of the slider is one undo step, however many values it passes.
    connect(widgets_.volume_slider, &QSlider::sliderPressed, this,
            [this] { document_->begin_continuous_edit(); });
    connect(widgets_.volume_slider, &QSlider::sliderReleased, this,
            [this] { document_->end_continuous_edit(); });

    connect(widgets_.instrument_list, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) instruments_->select_program(index);
    });
    connect(widgets_.load_bank_button, &QPushButton::clicked, this, [this] {
        if (!choose_sound_bank_) return;
        const auto path = choose_sound_bank_(this);
        if (!path) return;
        // A refused bank brings the default bank back, and says why it was refused; the
        // list then shows the programs that play.
        if (const Result<void> loaded = instruments_->load_sound_bank(path->toStdString()); !loaded)
            show_refusal(QString::fromStdString(loaded.error().description + " " +
                                                loaded.error().explanation()));
        show_instruments();
    });
    connect(widgets_.default_bank_button, &QPushButton::clicked, this, [this] {
        instruments_->reset_to_default_bank();
        show_instruments();
    });
    // Like the slider, the box's own changes are the user's (show_pitch_true blocks them).
    connect(widgets_.bank_tuning_box, &QCheckBox::toggled, this,
            [this](bool own_tuning) { document_->set_pitch_true(!own_tuning); });
    connect(widgets_.midi_source_list, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) instruments_->connect_midi_source(index);
    });
    // The MIDI thread only queues the update; the field is written here, on this thread.
    instruments_->on_note_played([this](int) {
        QMetaObject::invokeMethod(
            this, [this] { show_last_played(); }, Qt::QueuedConnection);
    });
}

// What the window shows of its instruments once it is built, after the document has shown
// its own values (which end with the volume): the MIDI source list, "-" in the last-played
// field, the MIDI destinations, then the program list.
void DocumentWindow::show_sound_strip() {
    show_midi_sources();
    show_midi_destinations();
    widgets_.last_key_field->setText(QStringLiteral("-"));
    show_instruments();
}

void DocumentWindow::show_midi_sources() {
    QComboBox* sources = widgets_.midi_source_list;
    sources->clear();
    const std::string system = instruments_->midi_system_name();
    for (const std::string& title : instruments_->midi_source_titles())
        sources->addItem(QString::fromStdString(title));
    sources->setEnabled(sources->count() > 0);
    sources->setToolTip(
        system.empty()
            ? tr("No MIDI system is available: start JACK, or check that the ALSA sequencer "
                 "is loaded, then open the document again")
            : tr("Connect a MIDI keyboard (%1); every source you pick stays connected")
                  .arg(QString::fromStdString(system)));
}

void DocumentWindow::show_instruments() {
    QComboBox* programs = widgets_.instrument_list;
    programs->clear();
    for (const std::string& title : instruments_->program_titles())
        programs->addItem(QString::fromStdString(title));
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

void DocumentWindow::set_sound_bank_chooser(
    std::function<std::optional<QString>(QWidget*)> choose) {
    choose_sound_bank_ = std::move(choose);
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
