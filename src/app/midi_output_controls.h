#pragma once
// MidiOutputControls: what a document window sends to a synthesizer outside Kelvara. The
// sound strip's output list offers "None" first (the default), then the destinations, listed
// afresh each time it opens; beside it, the mode and the bend range.
// - MTS tuning (the default): picking a destination sends the whole tuning as a bulk dump;
//   from then on every change of the document sends the keys whose tuning changed, so the
//   synthesizer, played from its own keyboard, follows the scale table live.
// - Pitch bend, for synthesizers without tuning messages: picking a destination sends the bend
//   range on channels 2-16, and from then on the keys played on the window's MIDI input also
//   play there, each note on a channel of its own with its bend sent before its note-on
//   (document/pitch_bend_player.h). A chord with more notes than channels is refused with a
//   message rather than played mistuned. Changing the mode, the range or the destination, or
//   closing the window, first releases every note the outside synthesizer still holds.
// All of it runs on this thread, except the bend player's notes, which run on the MIDI
// receive thread; the bytes leave on the output port's own sending thread.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "document/midi_tuning_sender.h"
#include "midi/midi_output.h"

class QComboBox;
class QSpinBox;

namespace kelvara {

class Document;
class DocumentView;
class Instruments;
class PitchBendPlayer;
class RescanningComboBox;

// Makes the MIDI output a window sends its tuning through, when the user first opens the
// output list; may return null (only "None" is offered).
using MidiOutputFactory = std::function<std::unique_ptr<midi::MidiOutput>()>;

class MidiOutputControls final : public QObject {
    Q_OBJECT

public:
    struct Widgets {
        RescanningComboBox& destinations;
        QComboBox& mode;  // item 0: MTS tuning, item 1: pitch bend
        QSpinBox& bend_range;
    };
    // `name` gives the document's name for the dump; `instruments` play the window's MIDI
    // input, and must outlive the controls.
    MidiOutputControls(Document& document, DocumentView& view, Instruments& instruments,
                       Widgets widgets, MidiOutputFactory make_output,
                       std::function<QString()> name, QObject* parent);
    ~MidiOutputControls() override;

    // Lists the destinations again and shows them after "None", the connected one selected;
    // only "None" before the output is made.
    void show_destinations();
    // MTS mode: the whole tuning to a destination that holds none yet, else the keys that
    // changed. Pitch-bend mode needs nothing: each note reads the chord map as it is played.
    void send_tuning();

private:
    // Makes the output (a client of no system when the factory gives none).
    void open_output();
    // Item `item`: 0 is "None", the others the destinations listed.
    void choose_destination(int item);
    // What the connected destination gets in the chosen mode, from the start.
    void start_sending();
    // The outside synthesizer plays no more of the window's keys; its notes are released.
    void stop_bending();
    bool bend_mode() const;
    void refuse(const QString& reason);

    Document& document_;
    DocumentView& view_;
    Instruments& instruments_;
    RescanningComboBox& list_;
    QComboBox& mode_list_;
    QSpinBox& bend_range_box_;
    MidiOutputFactory make_output_;
    std::function<QString()> name_;
    // Made when the list first opens. The sender uses the output: declared after it,
    // destroyed before it.
    std::unique_ptr<midi::MidiOutput> output_;
    std::unique_ptr<MidiTuningSender> sender_;
    // Pitch-bend mode while a destination is connected: the player the instruments mirror
    // their keys on.
    std::shared_ptr<PitchBendPlayer> bend_player_;
};

}  // namespace kelvara
