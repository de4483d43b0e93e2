#include "app/kelvara_application.h"

#include "base/version.h"
#include "document/instrument_rig.h"
#include "midi/midi_system_selection.h"

#include <QApplication>
#include <QDesktopServices>
#include <QIcon>

namespace kelvara {

KelvaraApplication::KelvaraApplication()
    : KelvaraApplication(
          make_document_store(), std::make_unique<QtDocumentDialogs>(),
          [](const QUrl& url) { return QDesktopServices::openUrl(url); },
          [](const Document& document) {
              // The bank is measured once the window shows (DocumentWindow::showEvent).
              InstrumentRig::Setup setup;
              setup.sound.measure_banks_at_once = false;
              return std::make_unique<InstrumentRig>(document.chords().published(),
                                                     std::move(setup));
          },
          [] {
              return std::make_unique<midi::MidiOutput>(
                  midi::open_midi_output_client(midi::kMidiClientName,
                                                midi::midi_system_from_environment(nullptr))
                      .client);
          }) {}

KelvaraApplication::KelvaraApplication(std::unique_ptr<DocumentStore> store,
                                       std::unique_ptr<DocumentDialogs> dialogs, UrlOpener open_url,
                                       InstrumentsFactory instruments,
                                       MidiOutputFactory midi_output)
    : store_(std::move(store)),
      dialogs_(std::move(dialogs)),
      help_menu_(std::make_unique<HelpMenu>(find_help_page(QApplication::applicationDirPath()),
                                            std::move(open_url))),
      documents_(std::make_unique<DocumentController>(
          *store_, *dialogs_, *help_menu_, std::move(instruments), std::move(midi_output))) {}

KelvaraApplication::~KelvaraApplication() = default;

void KelvaraApplication::open_startup_documents(const QStringList& paths) {
    for (const QString& path : paths) documents_->open_document(path);
    if (documents_->windows().isEmpty()) documents_->new_document();
}

void describe_program() {
    QCoreApplication::setApplicationName(QStringLiteral("Kelvara"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvara"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(kVersion));
}

void describe_application() {
    describe_program();
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvara"));
    QGuiApplication::setDesktopFileName(QStringLiteral("kelvara"));
    // The installed theme icon; the desktop shell shows the same one for the launcher.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kelvara")));
}

}  // namespace kelvara
