#pragma once
// Everything the program sets up around its event loop: the file format, the desktop's
// dialogs, the help command and the document controller, and the documents it starts with.
#include <QStringList>
#include <memory>

#include "app/document_controller.h"
#include "app/help_menu.h"

namespace kelvara {

class KelvaraApplication {
public:
    // The desktop's dialogs and this build's document files; each window plays through its
    // instrument rig and sends its tuning through a MIDI output of the system KELVARA_MIDI
    // asks for, or the first that opens.
    KelvaraApplication();
    KelvaraApplication(std::unique_ptr<DocumentStore> store,
                       std::unique_ptr<DocumentDialogs> dialogs, UrlOpener open_url,
                       InstrumentsFactory instruments = {}, MidiOutputFactory midi_output = {});
    ~KelvaraApplication();

    // Opens each file given (`kelvara FILE…`); a new document when none was given or none
    // could be opened, so the program always starts with a window.
    void open_startup_documents(const QStringList& paths);

    DocumentController& documents() { return *documents_; }

private:
    std::unique_ptr<DocumentStore> store_;
    std::unique_ptr<DocumentDialogs> dialogs_;
    std::unique_ptr<HelpMenu> help_menu_;
    std::unique_ptr<DocumentController> documents_;
};

// Names the program and its version (settings, --version); needs no display.
void describe_program();

// describe_program(), and names the application for the desktop (window icon, desktop entry).
void describe_application();

}  // namespace kelvara
