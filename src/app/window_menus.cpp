// The menus of a document window: File with the document commands and their standard
// shortcuts, and Help.
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "app/document_controller.h"
#include "app/kv_app_controller.h"

namespace kelvara {

void DocumentController::install_menus(DocumentWindow& window) {
    QMenu* file = window.menuBar()->addMenu(tr("&File"));
    DocumentWindow* w = &window;

    file->addAction(tr("&New"), QKeySequence::New, this, [this] { newDocument(); });
    file->addAction(tr("&Open…"), QKeySequence::Open, this, [this, w] { openDocumentChosen(w); });
    QMenu* recent = file->addMenu(tr("Open &Recent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fill_recent_menu(*recent); });
    file->addSeparator();
    file->addAction(tr("&Close"), QKeySequence::Close, w, [this, w] { closeDocument(*w); });
    file->addAction(tr("&Save"), QKeySequence::Save, w, [this, w] { saveDocument(*w); });
    file->addAction(tr("Save &As…"), QKeySequence::SaveAs, w, [this, w] { saveDocumentAs(*w); });
    QAction* revert =
        file->addAction(tr("Re&vert to Saved"), w, [this, w] { revertDocumentToSaved(*w); });
    // Revert only makes sense for a document that has a file and has changed since.
    connect(file, &QMenu::aboutToShow, w, [w, revert] {
        revert->setEnabled(!w->file_path().isEmpty() && w->document().is_edited());
    });
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), QKeySequence::Quit, this, [this] {
        if (closeAllDocuments()) QApplication::quit();
    });
    quit->setMenuRole(QAction::QuitRole);

    QMenu* help = window.menuBar()->addMenu(tr("&Help"));
    QAction* help_command =
        help->addAction(tr("Kelvara &Help"), QKeySequence::HelpContents, &app_controller_,
                        [this] { app_controller_.helpMenuSelected(); });
    help_command->setMenuRole(QAction::NoRole);
}

void DocumentController::fill_recent_menu(QMenu& menu) {
    menu.clear();
    const QStringList recent = recentDocuments();
    for (const QString& path : recent) {
        QAction* open =
            menu.addAction(QFileInfo(path).fileName(), this, [this, path] { openDocument(path); });
        open->setToolTip(path);
        open->setEnabled(QFileInfo::exists(path));
    }
    if (!recent.isEmpty()) menu.addSeparator();
    QAction* clear = menu.addAction(tr("Clear Menu"), this, [this] { clearRecentDocuments(); });
    clear->setEnabled(!recent.isEmpty());
}

}  // namespace kelvara
