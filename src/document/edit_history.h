#pragma once
// EditHistory: the change mark and the undo history of one document. Every action that marks
// the document changed records one undo step holding the saved state from before it; undo
// and redo put such a state back and show it as a read file is shown.
#include <optional>

#include "document/actions.h"

namespace kelvara {

class Document;

class EditHistory {
public:
    explicit EditHistory(Document& document) : document_(document) {}

    // Done: a step back to the same values, counted by hand. Undone: undo(). Cleared: the
    // values are saved as they are now.
    void update_change_count(ChangeKind kind);
    // The values are in no file (a document restored after a crash): edited until saved.
    void mark_unsaved();

    bool can_undo() const;
    bool can_redo() const;
    std::optional<EditName> undo_name() const;
    std::optional<EditName> redo_name() const;
    // Puts back the values from before the latest action (redo: from before the latest
    // undo), all of them, and shows them as a read file is shown: fields, tables, curve,
    // volume. Nothing to undo (or redo): the beep.
    void undo();
    void redo();
    // Between these two (a slider drag), the changes of one action form one undo step.
    void begin_continuous_edit();
    void end_continuous_edit();

private:
    Document& document_;
};

}  // namespace kelvara
