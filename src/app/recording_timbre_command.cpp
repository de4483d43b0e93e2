#include "app/recording_timbre_command.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QMenu>
#include <QTabWidget>

#include "app/document_dialogs.h"
#include "app/document_window.h"
#include "app/recording_timbre_dialog.h"

namespace kelvara {

// The measured partials become the document's custom timbre (one undo step), shown in the
// partials tab; a list the document refuses says why in the status bar and changes nothing.
void use_measured_partials(DocumentWindow& window, const std::vector<Partial>& partials) {
    if (!window.document().timbre_actions().set_custom_partials(partials)) return;
    window.show_partials();
}

RecordingTimbreCommand::RecordingTimbreCommand(DocumentWindow& window, DocumentDialogs& errors)
    : QObject(&window), window_(window), errors_(errors) {
    choose_ = [](QWidget* parent) -> std::optional<QString> {
        const QString path = QFileDialog::getOpenFileName(
            parent, tr("Timbre from Recording"), QString(),
            tr("Recordings (*.wav *.flac *.ogg *.oga *.opus *.aif *.aiff *.aifc);;All files (*)"));
        if (path.isEmpty()) return std::nullopt;
        return path;
    };
    decide_ = [](RecordingTimbreDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
}

void RecordingTimbreCommand::install(QMenu& file_menu) {
    file_menu.addAction(tr("&Timbre from Recording…"), this, [this] { run(); });
}

void RecordingTimbreCommand::set_questions(std::function<std::optional<QString>(QWidget*)> choose,
                                           std::function<bool(RecordingTimbreDialog&)> decide) {
    choose_ = std::move(choose);
    decide_ = std::move(decide);
}

void RecordingTimbreCommand::run() {
    const std::optional<QString> path = choose_(&window_);
    if (!path) return;
    auto dialog = RecordingTimbreDialog::open(*path, &window_);
    if (!dialog) {
        const Error& error = dialog.error();
        errors_.show_error(&window_, QString::fromStdString(error.description),
                           QString::fromStdString(error.explanation()));
        return;
    }
    if (!decide_(**dialog)) return;
    const std::vector<Partial> partials = (*dialog)->partials();
    if (!partials.empty()) use_measured_partials(window_, partials);
}

}  // namespace kelvara
