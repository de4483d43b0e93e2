#pragma once
// DocumentController: the document architecture of the application. One window per
// document; New, Open, Open Recent, Save, Save As, Revert to Saved, Close and Quit; the
// question before unsaved changes are lost; read and save errors shown to the user. Files
// go through DocumentStore and questions through DocumentDialogs, so tests drive every path
// without a file format or a modal dialog.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <filesystem>
#include <optional>

#include "app/document_dialogs.h"
#include "app/document_store.h"
#include "app/document_window.h"
#include "document/instruments.h"
#include "document/recovery_file.h"

class QMenu;

namespace kelvara {

class HelpMenu;

// How a start answers the offer of documents left by a Kelvara that did not close normally.
enum class RecoveryAnswer { Ask, Restore, Discard };

// Makes the instruments of each new window for the document they play (it outlives them);
// may return null (a silent window).
using InstrumentsFactory = std::function<std::unique_ptr<Instruments>(const Document&)>;
// Each new window gets `midi_output` (document_window.h), to make its MIDI output with.

class DocumentController final : public QObject {
    Q_OBJECT

public:
    DocumentController(DocumentStore& store, DocumentDialogs& dialogs, HelpMenu& help_menu,
                       InstrumentsFactory instruments = {}, MidiOutputFactory midi_output = {});
    ~DocumentController() override;

    // A new default document in a new window.
    DocumentWindow* new_document();
    // The document of `path` in a new window (or its window, when it is open already); null
    // when the file could not be read, after the error was shown.
    DocumentWindow* open_document(const QString& path);
    // The same for a document chosen from Open Recent, except that a file that cannot be
    // read is offered for removal from the menu.
    DocumentWindow* open_recent_document(const QString& path, QWidget* parent);
    // Asks for a file, then opens it.
    DocumentWindow* open_chosen_document(QWidget* parent);

    // Each returns true when the document was written (or read back).
    bool save_document(DocumentWindow& window);
    bool save_document_as(DocumentWindow& window);
    // Asks first: the changes are lost, and a revert cannot be undone.
    bool revert_to_saved(DocumentWindow& window);

    // Closes the window, asking first when the document has unsaved changes; true when it
    // closed.
    bool close_document(DocumentWindow& window);
    // Closes every document window the same way; stops at the first the user keeps open.
    bool close_all_documents();

    // From now on every new window keeps its edited document in a recovery slot in
    // `folder` (recovery_writer.h); off until called.
    void keep_recovery_files(std::filesystem::path folder);
    // Offers the documents of the recovery folder whose windows are gone (asking the user,
    // or as answered): each restored one opens in a window, edited, belonging to the file
    // it came from; declined ones are removed. Returns the windows opened.
    QList<DocumentWindow*> offer_recovered_documents(RecoveryAnswer answer);

    QList<DocumentWindow*> windows() const;
    // The documents opened or saved most recently, newest first, each once by its real path
    // (links and "..", "." resolved).
    QStringList recent_documents() const;
    void clear_recent_documents();

private:
    // A window for the document; it keeps its recovery in `slot`, or in a new slot when
    // recovery files are kept.
    DocumentWindow* show_window(std::unique_ptr<Document> document, const QString& path,
                                std::optional<RecoverySlot> slot = std::nullopt);
    QString next_untitled_name();
    // The document of `file` (a canonical path) in a new window, or its open window; the
    // read's refusal otherwise.
    Result<DocumentWindow*> open_file(const QString& file);
    // recovery_offer.cpp
    void keep_recovery(DocumentWindow& window, std::optional<RecoverySlot> slot);
    bool confirm_close(DocumentWindow& window);
    bool save_to(DocumentWindow& window, const QString& path);
    void show_file_error(QWidget* parent, const Error& error);
    // A file that could not be read: the dialog names it and gives the reader's reason.
    void show_read_error(QWidget* parent, const QString& path, const Error& error);
    // Lists the values of `path` the reader brought into bounds, if any.
    void show_clamped_values(DocumentWindow& window, const QString& path);
    void note_recent(const QString& path);
    void forget_recent(const QString& path);
    DocumentWindow* window_for(const QString& path) const;
    // window_menus.cpp
    void install_menus(DocumentWindow& window);
    // Questions raised by an entry are asked over `window`.
    void fill_recent_menu(QMenu& menu, QWidget* window);

    DocumentStore& store_;
    DocumentDialogs& dialogs_;
    HelpMenu& help_menu_;
    InstrumentsFactory instruments_;
    MidiOutputFactory midi_output_;
    QList<QPointer<DocumentWindow>> windows_;
    int untitled_count_ = 0;
    std::filesystem::path recovery_folder_;
};

}  // namespace kelvara
