#pragma once
// The questions the document controller asks the user. Behind an interface so that tests
// answer them in code instead of hanging in a modal dialog.
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace kelvara {

enum class UnsavedChangesChoice { Save, Discard, Cancel };

class DocumentDialogs {
public:
    virtual ~DocumentDialogs() = default;

    // The document shown in `window` has unsaved changes and is about to close.
    virtual UnsavedChangesChoice ask_save_changes(QWidget* window,
                                                  const QString& document_name) = 0;
    // Revert to Saved throws the changes away: true when the user confirms.
    virtual bool confirm_revert(QWidget* window, const QString& document_name) = 0;
    // Kelvara did not close normally last time: restore the documents named (true), or
    // throw their unsaved changes away (false)?
    virtual bool ask_restore_documents(const QStringList& document_names) = 0;
    // A document file to open; nothing when the user cancels.
    virtual std::optional<QString> choose_document_to_open(QWidget* parent) = 0;
    // Where to save a document; nothing when the user cancels.
    virtual std::optional<QString> choose_save_path(QWidget* parent,
                                                    const QString& suggested_path) = 0;
    // A sound bank file (SoundFont or DLS); nothing when the user cancels.
    virtual std::optional<QString> choose_sound_bank(QWidget* parent) = 0;
    // An operation failed: `text` says what, `details` why.
    virtual void show_error(QWidget* parent, const QString& text, const QString& details) = 0;
    // Something the user should know that needs no answer: `text` says what, `details` lists.
    virtual void show_notice(QWidget* parent, const QString& text, const QString& details) = 0;
    // A document chosen from Open Recent could not be opened (`text` says which, `details`
    // why): true when the user removes it from the menu.
    virtual bool offer_recent_removal(QWidget* parent, const QString& text,
                                      const QString& details) = 0;
};

// The desktop's own message boxes and file dialogs.
class QtDocumentDialogs final : public DocumentDialogs {
public:
    UnsavedChangesChoice ask_save_changes(QWidget* window, const QString& document_name) override;
    bool confirm_revert(QWidget* window, const QString& document_name) override;
    bool ask_restore_documents(const QStringList& document_names) override;
    std::optional<QString> choose_document_to_open(QWidget* parent) override;
    std::optional<QString> choose_save_path(QWidget* parent,
                                            const QString& suggested_path) override;
    std::optional<QString> choose_sound_bank(QWidget* parent) override;
    void show_error(QWidget* parent, const QString& text, const QString& details) override;
    void show_notice(QWidget* parent, const QString& text, const QString& details) override;
    bool offer_recent_removal(QWidget* parent, const QString& text,
                              const QString& details) override;
};

}  // namespace kelvara
