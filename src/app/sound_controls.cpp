// The sound and MIDI strip of a document window (sound_controls.h).
#include "app/sound_controls.h"
#include "app/adaptive_panel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/control_widgets.h"
#include "app/document_dialogs.h"
#include "app/rescanning_combo_box.h"
#include "document/document.h"
#include "document/instruments.h"
#include "persistence/pitch_bend_messages.h"

namespace kelvara {
namespace {
constexpr int kVolumeMax = 127;
}  // namespace

SoundControls::SoundControls(Document& document, Instruments& instruments, QWidget& window,
                             DocumentView& view)
    : document_(document),
      instruments_(instruments),
      window_(window),
      computer_keyboard_(
          std::make_unique<ComputerKeyboardControls>(document, instruments, window, view)),
      adaptive_panel_(new AdaptivePanel(document, instruments, &window)) {
    build();
    connect_controls();
}

SoundControls::~SoundControls() = default;

void SoundControls::build() {
    // A button whose menu lists every source with a check mark: the checked ones are the
    // ones connected, and each pick adds or removes one.
    midi_source_list_ = new QToolButton;
    midi_source_list_->setObjectName(QStringLiteral("midi_source_list"));
    midi_source_list_->setPopupMode(QToolButton::InstantPopup);
    midi_source_list_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    midi_source_menu_ = new QMenu(midi_source_list_);
    midi_source_menu_->setObjectName(QStringLiteral("midi_source_menu"));
    midi_source_list_->setMenu(midi_source_menu_);
    last_key_field_ = new QLineEdit;
    last_key_field_->setObjectName(QStringLiteral("last_key_field"));
    last_key_field_->setReadOnly(true);
    last_key_field_->setFocusPolicy(Qt::NoFocus);
    last_key_field_->setMaximumWidth(48);
    last_key_field_->setAlignment(Qt::AlignCenter);
    last_key_field_->setToolTip(tr("The last MIDI key struck"));
    midi_destination_list_ = new RescanningComboBox;
    midi_destination_list_->setObjectName(QStringLiteral("midi_destination_list"));
    midi_destination_list_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    midi_output_mode_list_ = new QComboBox;
    midi_output_mode_list_->setObjectName(QStringLiteral("midi_output_mode_list"));
    midi_output_mode_list_->addItems({tr("MTS tuning"), tr("Pitch bend")});
    midi_output_mode_list_->setToolTip(
        tr("MTS tuning: the scale is sent as a MIDI tuning, and the synthesizer is played "
           "from its own keyboard. Pitch bend: for synthesizers without MIDI tuning, the keys "
           "played here also play there, each note on a channel of its own (2 to 16) bent to "
           "its exact pitch"));
    bend_range_box_ = new QSpinBox;
    bend_range_box_->setObjectName(QStringLiteral("bend_range_box"));
    bend_range_box_->setRange(1, kMaxBendRangeSemitones);
    bend_range_box_->setValue(kDefaultBendRangeSemitones);
    bend_range_box_->setSuffix(tr(" st"));
    bend_range_box_->setEnabled(false);
    bend_range_box_->setToolTip(
        tr("The pitch-bend range in semitones, sent to every channel when the output is "
           "picked; set the synthesizer to the same range if it ignores the message"));
    instrument_list_ = new QComboBox;
    instrument_list_->setObjectName(QStringLiteral("instrument_list"));
    instrument_list_->setToolTip(tr("The instrument of the sound bank that plays chords"));
    instrument_list_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    load_bank_button_ = new QPushButton(tr("Load &Bank…"));
    load_bank_button_->setObjectName(QStringLiteral("load_bank_button"));
    load_bank_button_->setToolTip(tr("Play through a SoundFont or DLS file"));
    default_bank_button_ = new QPushButton(tr("Default Ba&nk"));
    default_bank_button_->setObjectName(QStringLiteral("default_bank_button"));
    default_bank_button_->setToolTip(tr("Go back to the built-in sounds"));
    bank_tuning_box_ = new QCheckBox(tr("Play the bank's o&wn tuning"));
    bank_tuning_box_->setObjectName(QStringLiteral("bank_tuning_box"));
    bank_tuning_box_->setToolTip(
        tr("Unchecked, Kelvara measures the pitch of every sample of the bank and plays each "
           "tone at exactly the pitch asked for. Checked, the bank plays as it declares "
           "itself, often a few cents off. Saved with the document"));
    volume_slider_ = new QSlider(Qt::Horizontal);
    volume_slider_->setObjectName(QStringLiteral("volume_slider"));
    volume_slider_->setRange(0, kVolumeMax);
    volume_slider_->setMinimumWidth(120);
    volume_slider_->setToolTip(tr("Volume (MIDI controller 7), saved with the document"));

    // Two rows: MIDI in and out with the volume, then the instrument and its bank, so that
    // each row stays whole at the window's minimum width whatever the lists hold.
    strip_ = new QWidget;
    auto* rows = new QVBoxLayout(strip_);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* midi_row = new QHBoxLayout;
    midi_row->addWidget(buddy_label(tr("&MIDI input:"), midi_source_list_));
    midi_row->addWidget(midi_source_list_);
    midi_row->addWidget(new QLabel(tr("Last key:")));
    midi_row->addWidget(last_key_field_);
    midi_row->addSpacing(12);
    midi_row->addWidget(buddy_label(tr("MIDI o&utput:"), midi_destination_list_));
    midi_row->addWidget(midi_destination_list_);
    midi_row->addWidget(midi_output_mode_list_);
    midi_row->addWidget(bend_range_box_);
    midi_row->addStretch(1);
    midi_row->addWidget(buddy_label(tr("&Volume:"), volume_slider_));
    midi_row->addWidget(volume_slider_);
    auto* bank_row = new QHBoxLayout;
    bank_row->addWidget(buddy_label(tr("&Instrument:"), instrument_list_));
    bank_row->addWidget(instrument_list_);
    bank_row->addWidget(load_bank_button_);
    bank_row->addWidget(default_bank_button_);
    bank_row->addWidget(bank_tuning_box_);
    bank_row->addSpacing(12);
    bank_row->addWidget(computer_keyboard_->toggle());
    bank_row->addWidget(computer_keyboard_->target_list());
    bank_row->addSpacing(12);
    bank_row->addWidget(adaptive_panel_->toggle());
    bank_row->addStretch(1);
    rows->addLayout(midi_row);
    rows->addLayout(bank_row);
}

std::vector<QWidget*> SoundControls::tab_chain() const {
    return {midi_source_list_,
            midi_destination_list_,
            midi_output_mode_list_,
            bend_range_box_,
            instrument_list_,
            load_bank_button_,
            default_bank_button_,
            bank_tuning_box_,
            computer_keyboard_->toggle(),
            computer_keyboard_->target_list(),
            adaptive_panel_->toggle(),
            volume_slider_};
}

void SoundControls::connect_controls() {
    // The slider's own value changes are the user's: the document's updates are shown with
    // the signals blocked (show_volume).
    connect(volume_slider_, &QSlider::valueChanged, this,
            [this](int value) { document_.playback_actions().set_volume(value); });
    // A drag of the slider is one undo step, however many values it passes.
    connect(volume_slider_, &QSlider::sliderPressed, this,
            [this] { document_.history().begin_continuous_edit(); });
    connect(volume_slider_, &QSlider::sliderReleased, this,
            [this] { document_.history().end_continuous_edit(); });
    connect(instrument_list_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) instruments_.select_program(index);
    });
    connect(load_bank_button_, &QPushButton::clicked, this, [this] { load_chosen_sound_bank(); });
    connect(default_bank_button_, &QPushButton::clicked, this, [this] {
        instruments_.reset_to_default_bank();
        show_instruments();
    });
    // Like the slider, the box's own changes are the user's (show_pitch_true blocks them).
    connect(bank_tuning_box_, &QCheckBox::toggled, this,
            [this](bool own_tuning) { document_.playback_actions().set_pitch_true(!own_tuning); });
    // The list shows what is connected after each pick: a source that could not be
    // connected stays unchecked.
    connect(midi_source_menu_, &QMenu::triggered, this, [this](QAction* picked) {
        instruments_.toggle_midi_source(picked->data().toInt());
        show_midi_sources();
    });
    // The MIDI threads only queue the updates; the widgets are written here, on this thread.
    instruments_.on_note_played([this](int) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                show_last_played();
                emit note_played();
            },
            Qt::QueuedConnection);
    });
    instruments_.on_midi_sources_changed([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                instruments_.refresh_midi_sources();
                show_midi_sources();
            },
            Qt::QueuedConnection);
    });
}

void SoundControls::show_strip() {
    instruments_.refresh_midi_sources();
    show_midi_sources();
    last_key_field_->setText(QStringLiteral("-"));
    if (!instruments_.program_titles().empty()) instruments_.select_program(0);
    show_instruments();
}

void SoundControls::show_midi_sources() {
    midi_source_menu_->clear();
    const std::vector<std::string> titles = instruments_.midi_source_titles();
    const std::vector<int> connected = instruments_.connected_midi_sources();
    QStringList shown;
    for (size_t i = 0; i < titles.size(); ++i) {
        const QString title = QString::fromStdString(titles[i]);
        QAction* item = midi_source_menu_->addAction(title);
        item->setData(static_cast<int>(i));
        item->setCheckable(true);
        const bool on = std::find(connected.begin(), connected.end(), int(i)) != connected.end();
        item->setChecked(on);
        if (on) shown.push_back(title);
    }
    midi_source_list_->setText(shown.isEmpty() ? tr("None") : shown.join(QStringLiteral(", ")));
    midi_source_list_->setEnabled(!titles.empty());
    const std::string system = instruments_.midi_system_name();
    const QString system_name = QString::fromStdString(system);
    if (system.empty())
        midi_source_list_->setToolTip(
            tr("No MIDI system is available: start JACK, or check that the ALSA sequencer "
               "is loaded, then open the document again"));
    else if (titles.empty())
        midi_source_list_->setToolTip(tr("No MIDI keyboard is connected to the %1; one plugged "
                                         "in appears here and plays at once")
                                          .arg(system_name));
    else
        midi_source_list_->setToolTip(
            tr("The MIDI keyboards that play this document (%1): every checked one plays; a "
               "pick adds or removes one")
                .arg(system_name));
}

void SoundControls::show_instruments() {
    QComboBox* programs = instrument_list_;
    programs->clear();
    for (const std::string& title : instruments_.program_titles())
        programs->addItem(QString::fromStdString(title));
    if (const auto selected = instruments_.selected_program()) programs->setCurrentIndex(*selected);
    const bool sounding = instruments_.has_synthesizer();
    programs->setEnabled(programs->count() > 0);
    load_bank_button_->setEnabled(sounding);
    default_bank_button_->setEnabled(sounding);
    bank_tuning_box_->setEnabled(sounding);
}

void SoundControls::show_last_played() {
    const auto key = instruments_.last_played_key();
    last_key_field_->setText(key ? QString::number(*key) : QStringLiteral("-"));
}

void SoundControls::load_chosen_sound_bank() {
    if (!dialogs_) return;
    const std::optional<QString> path = dialogs_->choose_sound_bank(&window_);
    if (!path) return;
    const Result<void> loaded =
        instruments_.load_sound_bank(QFile::encodeName(*path).toStdString());
    if (loaded) {
        show_instruments();
        return;
    }
    // The bank before plays on with its program, so the list stays as it is. The heading
    // names the file; the path is not repeated under it.
    Error refused = loaded.error();
    refused.where.file.clear();
    dialogs_->show_error(
        &window_,
        tr("The sound bank \u201c%1\u201d could not be loaded.").arg(QFileInfo(*path).fileName()),
        QString::fromStdString(refused.explanation()) + QStringLiteral("\n\n") +
            tr("The bank you had plays on."));
}

void SoundControls::show_volume(int32_t volume) {
    const QSignalBlocker quiet(volume_slider_);
    volume_slider_->setValue(volume);
}

void SoundControls::show_pitch_true(bool pitch_true) {
    const QSignalBlocker quiet(bank_tuning_box_);
    bank_tuning_box_->setChecked(!pitch_true);
}

}  // namespace kelvara
