#pragma once
// File ▸ Timbre from Recording… of a document window: asks for a recording, shows
// RecordingTimbreDialog, and hands the accepted partials to the window's document. A file
// that is refused is shown through the controller's DocumentDialogs and changes nothing.
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "engine/curve_definition.h"

class QMenu;
class QWidget;

namespace kelvara {

class DocumentDialogs;
class DocumentWindow;
class RecordingTimbreDialog;

// What accepting the dialog does with the measured partials (ratio to the partial called 1,
// amplitude relative to the strongest). Documents do not hold a list of partials as their
// timbre yet: until they do, the list is put on the clipboard as text, one "ratio amplitude"
// line per partial, and the status bar says so.
void use_measured_partials(DocumentWindow& window, const std::vector<Partial>& partials);

class RecordingTimbreCommand final : public QObject {
    Q_OBJECT

public:
    RecordingTimbreCommand(DocumentWindow& window, DocumentDialogs& errors);

    void install(QMenu& file_menu);
    void run();

    // Tests choose the file and answer the dialog in code: `choose` stands for the file
    // dialog (nothing: cancelled), `decide` for the user in the measuring dialog (true:
    // accepted).
    void set_questions(std::function<std::optional<QString>(QWidget*)> choose,
                       std::function<bool(RecordingTimbreDialog&)> decide);

private:
    DocumentWindow& window_;
    DocumentDialogs& errors_;
    std::function<std::optional<QString>(QWidget*)> choose_;
    std::function<bool(RecordingTimbreDialog&)> decide_;
};

}  // namespace kelvara
