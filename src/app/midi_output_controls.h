#pragma once
// MidiOutputControls: the tuning a document window sends to a synthesizer outside Kelvara.
// The sound strip's output list offers "None" first (the default), then the destinations,
// listed afresh each time it opens. Picking a destination sends the whole tuning as a bulk
// dump; from then on every change of the document sends the keys whose tuning changed, so
// the synthesizer follows the scale table live. All of it runs on this thread; the bytes
// leave on the output port's own sending thread.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "document/midi_tuning_sender.h"
#include "midi/midi_output.h"

namespace kelvara {

class Document;
class DocumentView;
class RescanningComboBox;

// Makes the MIDI output a window sends its tuning through, when the user first opens the
// output list; may return null (only "None" is offered).
using MidiOutputFactory = std::function<std::unique_ptr<midi::MidiOutput>()>;

class MidiOutputControls final : public QObject {
    Q_OBJECT

public:
    // `name` gives the document's name for the dump.
    MidiOutputControls(Document& document, DocumentView& view, RescanningComboBox& list,
                       MidiOutputFactory make_output, std::function<QString()> name,
                       QObject* parent);
    ~MidiOutputControls() override;

    // Lists the destinations again and shows them after "None", the connected one selected;
    // only "None" before the output is made.
    void show_destinations();
    // The whole tuning to a destination that holds none yet, else the keys that changed.
    void send_tuning();

private:
    // Makes the output (a client of no system when the factory gives none).
    void open_output();
    // Item `item`: 0 is "None", the others the destinations listed.
    void choose_destination(int item);
    void refuse(const QString& reason);

    Document& document_;
    DocumentView& view_;
    RescanningComboBox& list_;
    MidiOutputFactory make_output_;
    std::function<QString()> name_;
    // Made when the list first opens. The sender uses the output: declared after it,
    // destroyed before it.
    std::unique_ptr<midi::MidiOutput> output_;
    std::unique_ptr<MidiTuningSender> sender_;
};

}  // namespace kelvara
