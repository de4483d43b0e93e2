#pragma once
// RecoveryWriter: keeps one window's recovery slot (document/recovery_file.h) up to date.
// The edited document's text is written at most kRecoveryDelayMs after a change (a timer
// started by the first change and not restarted by later ones, so a long slider drag is
// written while it goes on); a document saved, or undone back to its saved values, has its
// copy removed at once; the window's clean close discards the slot.
#include <QObject>
#include <QTimer>

#include "document/recovery_file.h"

namespace kelvara {

class DocumentWindow;

// Well inside the five seconds a user may lose, and long enough to write a slider drag
// a few times rather than at every step.
inline constexpr int kRecoveryDelayMs = 2000;

class RecoveryWriter final : public QObject {
    Q_OBJECT

public:
    // A child of the window: it goes (and discards the slot) when the window goes.
    RecoveryWriter(DocumentWindow& window, RecoverySlot slot);
    ~RecoveryWriter() override;

    // Writes the copy now when the document is edited, removes it when not.
    void write_now();

private:
    void document_changed();

    DocumentWindow& window_;
    RecoverySlot slot_;
    QTimer timer_;
    bool warned_ = false;
};

}  // namespace kelvara
