// The MIDI output of a document window: the pop-up of destinations ("None" first, the
// default; the others listed each time it opens), and the tuning it sends. Picking a destination
// sends the whole tuning as a bulk dump; from then on every change of the document sends the keys
// whose tuning changed, so a synthesizer outside Kelvara follows the scale table live. All of it
// runs on this thread; the bytes leave on the output port's own sending thread.
#include <QFileInfo>
#include <QSignalBlocker>
#include <algorithm>
#include <optional>

#include "app/document_window.h"
#include "app/rescanning_combo_box.h"
#include "midi/no_midi_output_client.h"

namespace kelvara {
namespace {
// The system name of a client of no system (NoMidiOutputClient).
constexpr const char* kNoMidiSystem = "none";
}  // namespace

void DocumentWindow::connect_midi_output_controls() {
    RescanningComboBox* destinations = widgets_.midi_destination_list;
    destinations->set_before_popup([this] {
        // The output's client opens the first time the user looks, and again while no
        // system was there: a window whose tuning is never sent holds no client.
        if (!midi_output_ || midi_output_->system_name() == kNoMidiSystem) open_midi_output();
        show_midi_destinations();
    });
    connect(destinations, &QComboBox::activated, this,
            [this](int item) { choose_midi_destination(item); });
}

void DocumentWindow::open_midi_output() {
    tuning_sender_.reset();
    midi_output_ = make_midi_output_ ? make_midi_output_() : nullptr;
    if (!midi_output_)
        midi_output_ =
            std::make_unique<midi::MidiOutput>(std::make_unique<midi::NoMidiOutputClient>());
    tuning_sender_ = std::make_unique<MidiTuningSender>(*midi_output_);
}

void DocumentWindow::show_midi_destinations() {
    RescanningComboBox* box = widgets_.midi_destination_list;
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItem(tr("None"));
    if (!midi_output_) {
        box->setToolTip(
            tr("Send the scale as a MIDI tuning to a synthesizer: the whole tuning "
               "when you pick it, then every key that changes"));
        return;
    }
    midi_output_->rescan_destinations();
    const std::vector<midi::MidiDestination>& listed = midi_output_->destinations();
    const std::optional<midi::MidiDestination>& connected = midi_output_->connected_destination();
    int selected = 0;
    if (connected) {
        const auto found = std::find(listed.begin(), listed.end(), *connected);
        if (found == listed.end()) {
            // The destination went away: nothing holds the tuning any more.
            midi_output_->disconnect();
            tuning_sender_->forget();
        } else {
            selected = 1 + static_cast<int>(found - listed.begin());
        }
    }
    for (const std::string& title : midi_output_->destination_titles())
        box->addItem(QString::fromStdString(title));
    box->setCurrentIndex(selected);
    const std::string system = midi_output_->system_name();
    box->setToolTip(
        system == kNoMidiSystem
            ? tr("No MIDI system is available to send the scale to a synthesizer: start JACK, "
                 "or check that the ALSA sequencer is loaded, then open this list again")
            : tr("Send the scale as a MIDI tuning to a synthesizer (%1): the whole tuning when "
                 "you pick it, then every key that changes. Key 60 sounds the base frequency")
                  .arg(QString::fromStdString(system)));
}

void DocumentWindow::choose_midi_destination(int item) {
    if (!midi_output_) return;  // only "None" was listed
    tuning_sender_->forget();
    if (item <= 0) {
        midi_output_->disconnect();
        return;
    }
    const auto index = static_cast<size_t>(item - 1);
    if (!midi_output_->connect_destination(index)) {
        show_refusal(tr("The MIDI destination %1 could not be connected.")
                         .arg(widgets_.midi_destination_list->itemText(item)));
        show_midi_destinations();
        return;
    }
    send_tuning();
}

void DocumentWindow::send_tuning() {
    if (!midi_output_ || !midi_output_->connected_destination()) return;
    std::optional<Error> refusal;
    if (tuning_sender_->has_sent_dump()) {
        if (const Result<int32_t> followed = tuning_sender_->follow(*document_); !followed)
            refusal = followed.error();
    } else {
        // The dump carries the document's name without its extension, as an exported one
        // does.
        const QString name = QFileInfo(display_name()).completeBaseName();
        if (const Result<void> sent = tuning_sender_->send_dump(*document_, name.toStdString());
            !sent)
            refusal = sent.error();
    }
    if (refusal)
        show_refusal(QString::fromStdString(refusal->description + " " + refusal->explanation()));
}

}  // namespace kelvara
