#include "app/document_controller.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "app/recovery_writer.h"

namespace kelvara {
namespace {

// The desktop's memory of recent documents, kept per user (not a setting of any document).
const QString kRecentKey = QStringLiteral("recentDocuments");
constexpr int kMaxRecentDocuments = 10;

// The one spelling of a file's path: links, "." and ".." resolved. A file not written yet
// gets its folder's real path, so that it is named the same once it exists.
QString canonical(const QString& path) {
    const QFileInfo info(path);
    if (info.exists()) return info.canonicalFilePath();
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

}  // namespace

DocumentController::DocumentController(DocumentStore& store, DocumentDialogs& dialogs,
                                       HelpMenu& help_menu, InstrumentsFactory instruments,
                                       MidiOutputFactory midi_output)
    : store_(store),
      dialogs_(dialogs),
      help_menu_(help_menu),
      instruments_(std::move(instruments)),
      midi_output_(std::move(midi_output)) {}

DocumentController::~DocumentController() {
    for (const QPointer<DocumentWindow>& window : windows_) delete window.data();
}

DocumentWindow* DocumentController::new_document() {
    DocumentWindow* window = show_window(std::make_unique<Document>(), QString());
    // A new document opens with its curve filling the graph, not along the bottom of the
    // default range.
    window->document().curve_actions().fit_y_range();
    window->set_untitled_name(next_untitled_name());
    return window;
}

QString DocumentController::next_untitled_name() {
    ++untitled_count_;
    return untitled_count_ == 1 ? tr("Untitled") : tr("Untitled %1").arg(untitled_count_);
}

DocumentWindow* DocumentController::open_document(const QString& path) {
    const QString file = canonical(path);
    const Result<DocumentWindow*> opened = open_file(file);
    if (!opened) {
        show_read_error(nullptr, file, opened.error());
        return nullptr;
    }
    return *opened;
}

DocumentWindow* DocumentController::open_recent_document(const QString& path, QWidget* parent) {
    const QString file = canonical(path);
    const Result<DocumentWindow*> opened = open_file(file);
    if (opened) return *opened;
    // The heading names the file; the path is not repeated under it.
    Error refused = opened.error();
    refused.where.file.clear();
    if (dialogs_.offer_recent_removal(
            parent, tr("\u201c%1\u201d could not be opened.").arg(QFileInfo(file).fileName()),
            QString::fromStdString(refused.explanation())))
        forget_recent(file);
    return nullptr;
}

Result<DocumentWindow*> DocumentController::open_file(const QString& file) {
    if (DocumentWindow* open = window_for(file)) {
        open->raise();
        open->activateWindow();
        return open;
    }
    auto document = std::make_unique<Document>();
    if (const Result<void> read = store_.read(*document, QFile::encodeName(file).toStdString());
        !read)
        return read.error();
    note_recent(file);
    DocumentWindow* window = show_window(std::move(document), file);
    show_clamped_values(*window, file);
    return window;
}

DocumentWindow* DocumentController::open_chosen_document(QWidget* parent) {
    const auto path = dialogs_.choose_document_to_open(parent);
    return path ? open_document(*path) : nullptr;
}

bool DocumentController::save_document(DocumentWindow& window) {
    if (window.file_path().isEmpty()) return save_document_as(window);
    return save_to(window, window.file_path());
}

bool DocumentController::save_document_as(DocumentWindow& window) {
    const QString suggested =
        window.file_path().isEmpty()
            ? QDir::home().filePath(window.display_name() + QStringLiteral(".kelvara"))
            : window.file_path();
    const auto path = dialogs_.choose_save_path(&window, suggested);
    if (!path) return false;
    if (!save_to(window, canonical(*path))) return false;
    window.set_file_path(canonical(*path));
    return true;
}

bool DocumentController::save_to(DocumentWindow& window, const QString& path) {
    if (const Result<void> saved =
            store_.save(window.document(), QFile::encodeName(path).toStdString());
        !saved) {
        show_file_error(&window, saved.error());
        return false;
    }
    window.document().history().update_change_count(ChangeKind::Cleared);
    note_recent(path);
    return true;
}

bool DocumentController::revert_to_saved(DocumentWindow& window) {
    if (window.file_path().isEmpty()) return false;
    if (!dialogs_.confirm_revert(&window, window.display_name())) return false;
    Document& document = window.document();
    // A read into the open window shows every value read by itself; a refused one changes
    // nothing.
    const Result<void> read =
        store_.read(document, QFile::encodeName(window.file_path()).toStdString());
    if (!read) {
        show_read_error(&window, window.file_path(), read.error());
        return false;
    }
    // Values brought into bounds differ from the file: the document stays marked.
    if (document.values_clamped_on_read().empty())
        document.history().update_change_count(ChangeKind::Cleared);
    show_clamped_values(window, window.file_path());
    return true;
}

bool DocumentController::close_document(DocumentWindow& window) {
    return window.close();
}

bool DocumentController::close_all_documents() {
    for (DocumentWindow* window : windows())
        if (!close_document(*window)) return false;
    return true;
}

QList<DocumentWindow*> DocumentController::windows() const {
    QList<DocumentWindow*> open;
    for (const QPointer<DocumentWindow>& window : windows_)
        if (window) open.append(window.data());
    return open;
}

bool DocumentController::confirm_close(DocumentWindow& window) {
    if (window.document().is_edited()) {
        switch (dialogs_.ask_save_changes(&window, window.display_name())) {
            case UnsavedChangesChoice::Cancel: return false;
            case UnsavedChangesChoice::Save:
                if (!save_document(window)) return false;
                break;
            case UnsavedChangesChoice::Discard: break;
        }
    }
    windows_.removeAll(QPointer<DocumentWindow>(&window));
    return true;
}

DocumentWindow* DocumentController::show_window(std::unique_ptr<Document> document,
                                                const QString& path,
                                                std::optional<RecoverySlot> slot) {
    std::unique_ptr<Instruments> instruments = instruments_ ? instruments_(*document) : nullptr;
    auto* window = new DocumentWindow(std::move(document), std::move(instruments), midi_output_);
    if (!path.isEmpty()) window->set_file_path(path);
    window->set_close_guard([this](DocumentWindow& w) { return confirm_close(w); });
    window->set_dialogs(dialogs_);
    install_menus(*window);
    keep_recovery(*window, std::move(slot));
    windows_.append(window);
    window->show();
    return window;
}

// The heading says what failed; under it the reason, then what exactly was wrong and where.
void DocumentController::show_file_error(QWidget* parent, const Error& error) {
    dialogs_.show_error(parent, QString::fromStdString(error.description),
                        QString::fromStdString(error.explanation()));
}

void DocumentController::show_read_error(QWidget* parent, const QString& path, const Error& error) {
    // The heading names the file; under it the reason, then what exactly was wrong and where
    // (without the path again, which the heading gave).
    Error shown = error;
    shown.where.file.clear();
    dialogs_.show_error(parent,
                        tr("\u201c%1\u201d could not be opened.").arg(QFileInfo(path).fileName()),
                        QString::fromStdString(shown.explanation()));
}

void DocumentController::show_clamped_values(DocumentWindow& window, const QString& path) {
    const std::vector<std::string>& clamped = window.document().values_clamped_on_read();
    if (clamped.empty()) return;
    QStringList lines;
    for (const std::string& line : clamped) lines.append(QString::fromStdString(line));
    dialogs_.show_notice(&window,
                         tr("Some values of \u201c%1\u201d were outside what Kelvara accepts and "
                            "were brought into range. Saving keeps the new values.")
                             .arg(QFileInfo(path).fileName()),
                         lines.join(QLatin1Char('\n')));
}

DocumentWindow* DocumentController::window_for(const QString& path) const {
    for (DocumentWindow* window : windows())
        if (window->file_path() == path) return window;
    return nullptr;
}

QStringList DocumentController::recent_documents() const {
    // Older entries may name one file in several ways; the newest mention counts.
    QStringList recent;
    for (const QString& path : QSettings().value(kRecentKey).toStringList())
        if (const QString file = canonical(path); !recent.contains(file)) recent.append(file);
    return recent;
}

void DocumentController::clear_recent_documents() {
    QSettings().remove(kRecentKey);
}

void DocumentController::note_recent(const QString& path) {
    const QString file = canonical(path);
    QStringList recent = recent_documents();
    recent.removeAll(file);
    recent.prepend(file);
    while (recent.size() > kMaxRecentDocuments) recent.removeLast();
    QSettings().setValue(kRecentKey, recent);
}

void DocumentController::forget_recent(const QString& path) {
    QStringList recent = recent_documents();
    recent.removeAll(canonical(path));
    QSettings().setValue(kRecentKey, recent);
}

}  // namespace kelvara
