// The menus of a document window: File with the document commands and their standard
// shortcuts, the tuning files (tuning_file_commands.cpp), the timbre measured from a
// recording (recording_timbre_command.cpp) and the graph's exports
// (graph_export_commands.cpp), Edit (edit_menu.cpp), and Help.
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "app/about_dialog.h"
#include "app/document_controller.h"
#include "app/edit_menu.h"
#include "app/graph_export_commands.h"
#include "app/help_menu.h"
#include "app/recording_timbre_command.h"
#include "app/tuning_file_commands.h"

namespace kelvara {

void DocumentController::install_menus(DocumentWindow& window) {
    QMenu* file = window.menuBar()->addMenu(tr("&File"));
    DocumentWindow* w = &window;

    file->addAction(tr("&New"), QKeySequence::New, this, [this] { new_document(); });
    file->addAction(tr("&Open…"), QKeySequence::Open, this, [this, w] { open_chosen_document(w); });
    QMenu* recent = file->addMenu(tr("Open &Recent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent, w] { fill_recent_menu(*recent, w); });
    file->addSeparator();
    file->addAction(tr("&Close"), QKeySequence::Close, w, [this, w] { close_document(*w); });
    file->addAction(tr("&Save"), QKeySequence::Save, w, [this, w] { save_document(*w); });
    file->addAction(tr("Save &As…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), w,
                    [this, w] { save_document_as(*w); });
    QAction* revert =
        file->addAction(tr("Re&vert to Saved"), w, [this, w] { revert_to_saved(*w); });
    // Revert only makes sense for a document that has a file and has changed since.
    connect(file, &QMenu::aboutToShow, w, [w, revert] {
        revert->setEnabled(!w->file_path().isEmpty() && w->document().is_edited());
    });
    file->addSeparator();
    (new TuningFileCommands(window, dialogs_))->install(*file);
    (new RecordingTimbreCommand(window, dialogs_))->install(*file);
    file->addSeparator();
    (new GraphExportCommands(window, dialogs_))->install(*file);
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), QKeySequence::Quit, this, [this] {
        if (close_all_documents()) QApplication::quit();
    });
    quit->setMenuRole(QAction::QuitRole);

    install_edit_menu(window);

    QMenu* help = window.menuBar()->addMenu(tr("&Help"));
    QAction* help_command = help->addAction(tr("Kelvara &Help"), QKeySequence::HelpContents,
                                            &help_menu_, [this] { help_menu_.show_help(); });
    help_command->setMenuRole(QAction::NoRole);
    help->addAction(tr("&About Kelvara"), w, [w] { show_about_dialog(w); })
        ->setMenuRole(QAction::AboutRole);
}

void DocumentController::fill_recent_menu(QMenu& menu, QWidget* window) {
    menu.clear();
    const QStringList recent = recent_documents();
    // Every entry can be chosen: one that no longer opens says why and offers its removal.
    for (const QString& path : recent) {
        QAction* open = menu.addAction(QFileInfo(path).fileName(), this, [this, path, window] {
            open_recent_document(path, window);
        });
        open->setToolTip(path);
    }
    if (!recent.isEmpty()) menu.addSeparator();
    QAction* clear = menu.addAction(tr("Clear Menu"), this, [this] { clear_recent_documents(); });
    clear->setEnabled(!recent.isEmpty());
}

}  // namespace kelvara
