#include "app/kelvara_application.h"

#include "app/kelvara_instruments.h"

#include <QApplication>
#include <QDesktopServices>
#include <QIcon>

namespace kelvara {

KelvaraApplication::KelvaraApplication()
    : KelvaraApplication(
          make_document_store(), std::make_unique<QtDocumentDialogs>(),
          [](const QUrl& url) { return QDesktopServices::openUrl(url); },
          [](const Document& document) { return make_kelvara_instruments(document); }) {}

KelvaraApplication::KelvaraApplication(std::unique_ptr<DocumentStore> files,
                                       std::unique_ptr<DocumentDialogs> dialogs, UrlOpener open_url,
                                       InstrumentsFactory instruments)
    : _files(std::move(files)),
      _dialogs(std::move(dialogs)),
      _app_controller(std::make_unique<KVAppController>(
          find_help_page(QApplication::applicationDirPath()), std::move(open_url))),
      _documents(std::make_unique<DocumentController>(*_files, *_dialogs, *_app_controller,
                                                      std::move(instruments))) {}

KelvaraApplication::~KelvaraApplication() = default;

void KelvaraApplication::open_startup_documents(const QStringList& paths) {
    for (const QString& path : paths) _documents->openDocument(path);
    if (_documents->windows().isEmpty()) _documents->newDocument();
}

void describe_application() {
    QApplication::setApplicationName(QStringLiteral("Kelvara"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvara"));
    QApplication::setOrganizationName(QStringLiteral("Kelvara"));
    QApplication::setApplicationVersion(QStringLiteral(KELVARA_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("kelvara"));
    // The installed theme icon; the desktop shell shows the same one for the launcher.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kelvara")));
}

}  // namespace kelvara
