#include "app/recovery_writer.h"

#include <QFile>
#include <QtGlobal>

#include "app/document_window.h"
#include "document/document_io.h"

namespace kelvara {

RecoveryWriter::RecoveryWriter(DocumentWindow& window, RecoverySlot slot)
    : QObject(&window), window_(window), slot_(std::move(slot)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kRecoveryDelayMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryWriter::write_now);
    connect(&window, &DocumentWindow::undo_steps_changed, this, &RecoveryWriter::document_changed);
}

RecoveryWriter::~RecoveryWriter() {
    slot_.discard();
}

void RecoveryWriter::document_changed() {
    if (!window_.document().is_edited()) {
        timer_.stop();
        slot_.remove_document();
        return;
    }
    if (!timer_.isActive()) timer_.start();
}

void RecoveryWriter::write_now() {
    timer_.stop();
    if (!window_.document().is_edited()) {
        slot_.remove_document();
        return;
    }
    const Result<void> written = slot_.write(document_text(window_.document()),
                                             QFile::encodeName(window_.file_path()).toStdString());
    // Saving still works without it; say so once rather than at every edit.
    if (!written && !warned_) {
        warned_ = true;
        qWarning("kelvara: %s %s", written.error().description.c_str(),
                 written.error().explanation().c_str());
    }
}

}  // namespace kelvara
