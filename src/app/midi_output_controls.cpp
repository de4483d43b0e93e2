// What a document window sends through its MIDI output (midi_output_controls.h).
#include "app/midi_output_controls.h"

#include <QComboBox>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <optional>

#include "app/rescanning_combo_box.h"
#include "document/document.h"
#include "document/document_view.h"
#include "document/instruments.h"
#include "document/pitch_bend_player.h"
#include "midi/midi_system.h"
#include "midi/no_midi_output_client.h"

namespace kelvara {
namespace {
// The system name of a client of no system (NoMidiOutputClient).
constexpr const char* kNoMidiSystem = "none";
constexpr int kBendModeItem = 1;
}  // namespace

MidiOutputControls::MidiOutputControls(Document& document, DocumentView& view,
                                       Instruments& instruments, Widgets widgets,
                                       MidiOutputFactory make_output, std::function<QString()> name,
                                       QObject* parent)
    : QObject(parent),
      document_(document),
      view_(view),
      instruments_(instruments),
      list_(widgets.destinations),
      mode_list_(widgets.mode),
      bend_range_box_(widgets.bend_range),
      make_output_(std::move(make_output)),
      name_(std::move(name)) {
    list_.set_before_popup([this] {
        // The output's client opens the first time the user looks, and again while no
        // system was there: a window whose tuning is never sent holds no client.
        if (!output_ || output_->system_name() == kNoMidiSystem) open_output();
        show_destinations();
    });
    connect(&list_, &QComboBox::activated, this, [this](int item) { choose_destination(item); });
    // A new mode or range starts afresh on the connected destination: the notes it holds are
    // released, then it gets the tuning dump or the bend range.
    connect(&mode_list_, &QComboBox::activated, this, [this] {
        bend_range_box_.setEnabled(bend_mode());
        show_destinations();
        start_sending();
    });
    connect(&bend_range_box_, &QSpinBox::valueChanged, this, [this] {
        if (bend_player_) start_sending();
    });
}

// The output stops sending before the window's instruments and document go; the outside
// synthesizer's notes are released while the output can still send.
MidiOutputControls::~MidiOutputControls() {
    stop_bending();
    sender_.reset();
    output_.reset();
}

bool MidiOutputControls::bend_mode() const {
    return mode_list_.currentIndex() == kBendModeItem;
}

void MidiOutputControls::refuse(const QString& reason) {
    view_.show_refusal(reason.toStdString());
}

void MidiOutputControls::open_output() {
    stop_bending();
    sender_.reset();
    output_ = make_output_ ? make_output_() : nullptr;
    if (!output_)
        output_ = std::make_unique<midi::MidiOutput>(std::make_unique<midi::NoMidiOutputClient>());
    sender_ = std::make_unique<MidiTuningSender>(*output_);
}

void MidiOutputControls::show_destinations() {
    RescanningComboBox* box = &list_;
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItem(tr("None"));
    const QString what =
        bend_mode() ? tr("Play the keys of the MIDI input on a synthesizer without MIDI tuning, "
                         "each note bent to its exact pitch on a channel of its own (2 to 16)")
                    : tr("Send the scale as a MIDI tuning to a synthesizer: the whole tuning "
                         "when you pick it, then every key that changes");
    if (!output_) {
        box->setToolTip(what);
        return;
    }
    output_->rescan_destinations();
    const std::vector<midi::MidiDestination>& listed = output_->destinations();
    const std::optional<midi::MidiDestination>& connected = output_->connected_destination();
    int selected = 0;
    if (connected) {
        const auto found = std::find(listed.begin(), listed.end(), *connected);
        if (found == listed.end()) {
            // The destination went away: nothing holds the tuning or plays the keys any more.
            stop_bending();
            output_->disconnect();
            sender_->forget();
        } else {
            selected = 1 + static_cast<int>(found - listed.begin());
        }
    }
    for (const std::string& title : output_->destination_titles())
        box->addItem(QString::fromStdString(title));
    box->setCurrentIndex(selected);
    const std::string system = output_->system_name();
    box->setToolTip(
        system == kNoMidiSystem
            ? tr("No MIDI system is available to send the scale to a synthesizer: start JACK, "
                 "or check that the ALSA sequencer is loaded, then open this list again")
            : tr("%1 (%2).").arg(what, QString::fromStdString(system)) +
                  (bend_mode() ? QString() : tr(" Key 60 sounds the base frequency")));
}

void MidiOutputControls::choose_destination(int item) {
    if (!output_) return;  // only "None" was listed
    stop_bending();
    sender_->forget();
    if (item <= 0) {
        output_->disconnect();
        return;
    }
    const auto index = static_cast<size_t>(item - 1);
    if (!output_->connect_destination(index)) {
        refuse(tr("The MIDI destination %1 could not be connected.").arg(list_.itemText(item)));
        show_destinations();
        return;
    }
    start_sending();
}

void MidiOutputControls::stop_bending() {
    if (!bend_player_) return;
    instruments_.mirror_midi_notes(nullptr);
    bend_player_.reset();
}

void MidiOutputControls::start_sending() {
    stop_bending();
    if (!output_ || !output_->connected_destination()) return;
    sender_->forget();
    if (!bend_mode()) {
        send_tuning();
        return;
    }
    // A Kelvara input would take every bent note as a key struck and play its chord back
    // out again, on more and more channels.
    if (output_->connected_destination()->name == midi::kMidiInputPortName) {
        refuse(tr("In pitch-bend mode the notes would play back into Kelvara through %1: pick "
                  "the input of a synthesizer.")
                   .arg(QString::fromStdString(output_->connected_destination()->full_name())));
        output_->disconnect();
        show_destinations();
        return;
    }
    // The refusal of a chord too large is heard on the MIDI receive thread and shown here.
    // `this` outlives every call of the player: stop_bending (in the destructor too) waits
    // for a chord being played, and a message still queued when the controls go is dropped
    // with them.
    bend_player_ = std::make_shared<PitchBendPlayer>(
        *output_, PitchBendSettings{midi::ChannelAllocator{}, bend_range_box_.value()},
        [this](const std::string& why) {
            QMetaObject::invokeMethod(
                this, [this, why] { refuse(QString::fromStdString(why)); }, Qt::QueuedConnection);
        });
    if (!bend_player_->send_bend_ranges()) {
        bend_player_.reset();
        refuse(tr("The pitch-bend range could not be sent to %1.").arg(list_.currentText()));
        return;
    }
    instruments_.mirror_midi_notes(bend_player_);
}

void MidiOutputControls::send_tuning() {
    if (!output_ || !output_->connected_destination() || bend_mode()) return;
    std::optional<Error> refusal;
    if (sender_->has_sent_dump()) {
        if (const Result<int32_t> followed = sender_->follow(document_); !followed)
            refusal = followed.error();
    } else {
        // The dump carries the document's name without its extension, as an exported one
        // does.
        const QString name = QFileInfo(name_()).completeBaseName();
        if (const Result<void> sent = sender_->send_dump(document_, name.toStdString()); !sent)
            refusal = sent.error();
    }
    if (refusal)
        refuse(QString::fromStdString(refusal->description + " " + refusal->explanation()));
}

}  // namespace kelvara
