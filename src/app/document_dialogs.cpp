#include "app/document_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kelvara {
namespace {

const QString kDocumentFilter = QStringLiteral("Kelvara documents (*.kelvara);;All files (*)");
// The bank types the synthesizer loads; both spellings of each, as banks come from many
// systems.
const QString kSoundBankFilter =
    QStringLiteral("Sound banks (*.sf2 *.SF2 *.sf3 *.SF3 *.dls *.DLS);;All files (*)");

std::optional<QString> chosen(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return path;
}

void show_message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                  const QString& details) {
    QMessageBox box(parent);
    box.setIcon(icon);
    box.setWindowTitle(QObject::tr("Kelvara"));
    box.setText(text);
    box.setInformativeText(details);
    box.exec();
}

}  // namespace

UnsavedChangesChoice QtDocumentDialogs::ask_save_changes(QWidget* window,
                                                         const QString& document_name) {
    QMessageBox box(window);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QObject::tr("Unsaved Changes"));
    box.setText(QObject::tr("Save the changes to \"%1\" before closing?").arg(document_name));
    box.setInformativeText(QObject::tr("If you don't save, your changes will be lost."));
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save: return UnsavedChangesChoice::Save;
        case QMessageBox::Discard: return UnsavedChangesChoice::Discard;
        default: return UnsavedChangesChoice::Cancel;
    }
}

bool QtDocumentDialogs::confirm_revert(QWidget* window, const QString& document_name) {
    QMessageBox box(window);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QObject::tr("Revert to Saved"));
    box.setText(QObject::tr("Revert \"%1\" to the saved version?").arg(document_name));
    box.setInformativeText(
        QObject::tr("Your changes since the last save will be lost; Undo cannot bring them back."));
    QPushButton* revert = box.addButton(QObject::tr("Revert"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == revert;
}

bool QtDocumentDialogs::ask_restore_documents(const QStringList& document_names) {
    QMessageBox box;
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(QObject::tr("Restore Documents"));
    box.setText(
        QObject::tr("Kelvara did not close normally. Restore the unsaved changes of "
                    "these documents?"));
    box.setInformativeText(document_names.join(QLatin1Char('\n')));
    QPushButton* restore = box.addButton(QObject::tr("Restore"), QMessageBox::AcceptRole);
    box.addButton(QObject::tr("Discard Changes"), QMessageBox::DestructiveRole);
    box.setDefaultButton(restore);
    box.exec();
    return box.clickedButton() == restore;
}

std::optional<QString> QtDocumentDialogs::choose_document_to_open(QWidget* parent) {
    return chosen(QFileDialog::getOpenFileName(parent, QObject::tr("Open Document"), QString(),
                                               kDocumentFilter));
}

std::optional<QString> QtDocumentDialogs::choose_save_path(QWidget* parent,
                                                           const QString& suggested_path) {
    QFileDialog dialog(parent, QObject::tr("Save Document"), suggested_path, kDocumentFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("kelvara"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return chosen(dialog.selectedFiles().constFirst());
}

std::optional<QString> QtDocumentDialogs::choose_sound_bank(QWidget* parent) {
    return chosen(QFileDialog::getOpenFileName(parent, QObject::tr("Load Sound Bank"), QString(),
                                               kSoundBankFilter));
}

void QtDocumentDialogs::show_error(QWidget* parent, const QString& text, const QString& details) {
    show_message(parent, QMessageBox::Critical, text, details);
}

void QtDocumentDialogs::show_notice(QWidget* parent, const QString& text, const QString& details) {
    show_message(parent, QMessageBox::Information, text, details);
}

bool QtDocumentDialogs::offer_recent_removal(QWidget* parent, const QString& text,
                                             const QString& details) {
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QObject::tr("Open Recent"));
    box.setText(text);
    box.setInformativeText(details + QStringLiteral("\n\n") +
                           QObject::tr("Remove it from the Open Recent menu?"));
    QPushButton* remove = box.addButton(QObject::tr("Remove"), QMessageBox::DestructiveRole);
    box.addButton(QObject::tr("Keep"), QMessageBox::RejectRole);
    box.setDefaultButton(remove);
    box.exec();
    return box.clickedButton() == remove;
}

}  // namespace kelvara
