// The document controller's side of crash recovery: a recovery slot for each window, and
// the documents of a Kelvara that did not close normally, offered at the start.
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include "app/document_controller.h"
#include "app/recovery_writer.h"

namespace kelvara {

void DocumentController::keep_recovery_files(std::filesystem::path folder) {
    recovery_folder_ = std::move(folder);
}

void DocumentController::keep_recovery(DocumentWindow& window, std::optional<RecoverySlot> slot) {
    if (!slot && !recovery_folder_.empty()) {
        Result<RecoverySlot> created = RecoverySlot::create(recovery_folder_);
        if (created)
            slot.emplace(std::move(*created));
        else  // The window works without; its edits are only not kept for recovery.
            qWarning("kelvara: %s %s", created.error().description.c_str(),
                     created.error().explanation().c_str());
    }
    if (slot) new RecoveryWriter(window, std::move(*slot));
}

QList<DocumentWindow*> DocumentController::offer_recovered_documents(RecoveryAnswer answer) {
    QList<DocumentWindow*> restored;
    if (recovery_folder_.empty()) return restored;
    std::vector<RecoverySlot> orphans = RecoverySlot::claim_orphans(recovery_folder_);
    if (orphans.empty()) return restored;

    if (answer == RecoveryAnswer::Ask) {
        QStringList names;
        for (const RecoverySlot& orphan : orphans) {
            const QString origin = QFile::decodeName(orphan.origin().c_str());
            names.append(origin.isEmpty() ? tr("A document never saved") : origin);
        }
        answer = dialogs_.ask_restore_documents(names) ? RecoveryAnswer::Restore
                                                       : RecoveryAnswer::Discard;
    }
    for (RecoverySlot& orphan : orphans) {
        if (answer == RecoveryAnswer::Discard) {
            orphan.discard();
            continue;
        }
        auto document = std::make_unique<Document>();
        if (const Result<void> read = store_.read(*document, orphan.document_path().string());
            !read) {
            // A copy that cannot be read holds nothing to restore; the user hears why, once.
            show_file_error(nullptr, read.error());
            orphan.discard();
            continue;
        }
        document->history().mark_unsaved();
        const QString origin = QFile::decodeName(orphan.origin().c_str());
        DocumentWindow* window = show_window(std::move(document), origin, std::move(orphan));
        if (origin.isEmpty()) window->set_untitled_name(next_untitled_name());
        restored.append(window);
    }
    return restored;
}

}  // namespace kelvara
