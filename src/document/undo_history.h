#pragma once
// UndoHistory: the undo and redo steps of one document. A step holds the document's whole
// saved state (DocumentFileState) from before the action it takes back (or, once undone,
// from before the undo), so taking a step back is applying one state, all or nothing: no
// action needs an inverse of its own, and an action added later is undoable as soon as it
// marks the document changed.
//
// Every state the document passes through has a number; the history remembers the number
// of the state last saved (or read), so the document is edited exactly when its current
// state is not that one. Undoing or redoing back to it clears the edited mark; a new action
// after undoing past it makes it unreachable until the next save.
//
// Bounded: at most kMaxUndoSteps undo steps, the oldest dropped first. A state is a few
// kilobytes (the longest preset, 128 chords), so a full history stays within a few
// megabytes while covering far more than a working session's reach back.
//
// Threads: the user-interface thread, with its document.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "document/actions.h"
#include "persistence/document_file.h"

namespace kelvara {

class UndoHistory {
public:
    static constexpr size_t kMaxUndoSteps = 200;

    // A history with nothing to undo, at the saved state.
    explicit UndoHistory(size_t max_steps = kMaxUndoSteps);

    // The action `name` changed the document; `before` is the state it started from.
    // Forgets every redo step.
    void record(EditName name, DocumentFileState before);

    bool can_undo() const { return !undo_.empty(); }
    bool can_redo() const { return !redo_.empty(); }
    // The action the next undo or redo takes back or does again.
    std::optional<EditName> undo_name() const;
    std::optional<EditName> redo_name() const;

    // Steps back: the state to apply, while `current` (the document's state now) becomes
    // the next redo's. Nothing, and no change, when there is nothing to undo.
    std::optional<DocumentFileState> undo(DocumentFileState current);
    // Steps forward again, the same way.
    std::optional<DocumentFileState> redo(DocumentFileState current);

    // The document's values are now those of its file (just saved, or read).
    void mark_saved() { saved_ = current_; }
    // The document's values are in no file (a document restored after a crash): edited
    // until it is saved, whatever is undone.
    void mark_unsaved() { saved_ = kNoState; }
    bool at_saved_state() const { return current_ == saved_; }

    // Forgets every step (the document's values were replaced by a file's); whether the
    // document is at its saved state stays as it was.
    void clear();

private:
    static constexpr uint64_t kNoState = 0;
    struct Step {
        EditName name;
        DocumentFileState state;
        uint64_t number;  // of `state`
    };

    size_t max_steps_;
    std::deque<Step> undo_;
    std::vector<Step> redo_;
    uint64_t current_ = 1;
    uint64_t saved_ = 1;
    uint64_t next_ = 2;
};

}  // namespace kelvara
