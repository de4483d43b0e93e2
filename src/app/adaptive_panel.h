#pragma once
// AdaptivePanel: the Adaptive toggle of the instrument row and the dock that shows what it
// does. While the toggle is on, the chords the keys play (MIDI and the computer keyboard) are
// tuned, whenever a key goes down or up, to the nearest minimum of their total dissonance
// with the document's timbre and roughness model (document/adaptive_note_player.h); the dock
// lists each sounding note's nominal and adapted pitch and the chord's dissonance before and
// after, and holds the anchor that keeps the chord from drifting and the glide time.
//
// A change of the document's timbre or model reaches the tuning within one refresh. Kelvara's
// synthesizer glides tones of the Document timbre program to a fraction of a cent and a bank's
// program to the nearest cent; the MIDI output is retuned as well.
#include <QDockWidget>
#include <chrono>
#include <optional>

#include "document/adaptive_note_player.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace kelvara {

class Document;
class Instruments;

class AdaptivePanel final : public QDockWidget {
    Q_OBJECT

public:
    // Both must outlive the panel's refreshes: the window stops them before it lets go of
    // either (stop()).
    AdaptivePanel(const Document& document, Instruments& instruments, QWidget* parent = nullptr);

    QCheckBox* toggle() const { return toggle_; }
    QTableWidget* table() const { return table_; }
    QLabel* status() const { return status_; }
    // Turns adaptive tuning off and stops refreshing: before the instruments go.
    void stop();

private:
    void switched(bool on);
    // Sends the tuning the controls and the document ask for, when it differs from the one
    // sent last.
    void send_tuning();
    void refresh();
    void show_sounding(const AdaptiveSounding& sounding);

    const Document& document_;
    Instruments& instruments_;
    QCheckBox* toggle_ = nullptr;
    QComboBox* anchor_list_ = nullptr;
    QSpinBox* glide_box_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* table_ = nullptr;
    QTimer* refresh_timer_ = nullptr;
    std::optional<AdaptiveTuningSetup> sent_;
};

}  // namespace kelvara
