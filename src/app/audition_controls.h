#pragma once
// AuditionControls: sound from the window without a keyboard. A press in the graph plays the
// interval under the pointer until it is let go (a drag glides its upper tone), the play
// segments (or Space) of the scale and chord tables play the selected row while held, and a
// press in the triad surface plays the triad under it.
// Everything plays the document's timbre (document/audition.h). When partials found no voice
// the status bar says so.
#include <QObject>
#include <cstdint>
#include <memory>

#include "document/document_view.h"

class QStatusBar;

namespace kelvara {

class Audition;
class Document;
class GraphGestures;
class Instruments;
class TableControls;

class AuditionControls final : public QObject {
    Q_OBJECT

public:
    AuditionControls(Document& document, Instruments& instruments, GraphGestures& gestures,
                     TableControls& tables, QStatusBar& status, QObject* parent);
    ~AuditionControls() override;

    // Says in the status bar when partials found no voice since the last look; soon after a
    // tone starts (the synthesizer starts it a block later).
    void report_lacking_voices_soon();
    // The triad 1 : r : s at the base frequency until release() (the triad surface's press).
    void play_triad(double r, double s);
    void release();

private:
    // Plays the selected row of the scale or chord table while a key or button is held.
    void play_selected_row(DocumentTable table);

    Document& document_;
    Instruments& instruments_;
    TableControls& tables_;
    QStatusBar& status_;
    std::unique_ptr<Audition> audition_;
    uint64_t partials_without_voice_ = 0;  // as last reported
};

}  // namespace kelvara
