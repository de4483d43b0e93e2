// The tuning a document window sends through its MIDI output (midi_output_controls.h).
#include "app/midi_output_controls.h"

#include <QFileInfo>
#include <QSignalBlocker>
#include <algorithm>
#include <optional>

#include "app/rescanning_combo_box.h"
#include "document/document.h"
#include "document/document_view.h"
#include "midi/no_midi_output_client.h"

namespace kelvara {
namespace {
// The system name of a client of no system (NoMidiOutputClient).
constexpr const char* kNoMidiSystem = "none";
}  // namespace

MidiOutputControls::MidiOutputControls(Document& document, DocumentView& view,
                                       RescanningComboBox& list, MidiOutputFactory make_output,
                                       std::function<QString()> name, QObject* parent)
    : QObject(parent),
      document_(document),
      view_(view),
      list_(list),
      make_output_(std::move(make_output)),
      name_(std::move(name)) {
    list_.set_before_popup([this] {
        // The output's client opens the first time the user looks, and again while no
        // system was there: a window whose tuning is never sent holds no client.
        if (!output_ || output_->system_name() == kNoMidiSystem) open_output();
        show_destinations();
    });
    connect(&list_, &QComboBox::activated, this, [this](int item) { choose_destination(item); });
}

// The output stops sending before the window's instruments and document go.
MidiOutputControls::~MidiOutputControls() {
    sender_.reset();
    output_.reset();
}

void MidiOutputControls::refuse(const QString& reason) {
    view_.show_refusal(reason.toStdString());
}

void MidiOutputControls::open_output() {
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
    if (!output_) {
        box->setToolTip(
            tr("Send the scale as a MIDI tuning to a synthesizer: the whole tuning "
               "when you pick it, then every key that changes"));
        return;
    }
    output_->rescan_destinations();
    const std::vector<midi::MidiDestination>& listed = output_->destinations();
    const std::optional<midi::MidiDestination>& connected = output_->connected_destination();
    int selected = 0;
    if (connected) {
        const auto found = std::find(listed.begin(), listed.end(), *connected);
        if (found == listed.end()) {
            // The destination went away: nothing holds the tuning any more.
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
            : tr("Send the scale as a MIDI tuning to a synthesizer (%1): the whole tuning when "
                 "you pick it, then every key that changes. Key 60 sounds the base frequency")
                  .arg(QString::fromStdString(system)));
}

void MidiOutputControls::choose_destination(int item) {
    if (!output_) return;  // only "None" was listed
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
    send_tuning();
}

void MidiOutputControls::send_tuning() {
    if (!output_ || !output_->connected_destination()) return;
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
