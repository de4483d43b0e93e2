// The document's change mark and its undo history: the step each action records, undo and
// redo, and the continuous edits that form one step.
#include <utility>

#include "document/document.h"

namespace kelvara {

Document::EditScope::EditScope(Document& document, EditName name)
    : document_(document), outermost_(!document.pending_edit_) {
    if (outermost_) document_.pending_edit_ = PendingEdit{name, document_.state()};
}

Document::EditScope::~EditScope() {
    if (outermost_) document_.pending_edit_.reset();
}

void Document::update_change_count(ChangeKind kind) {
    const bool was_edited = is_edited();
    switch (kind) {
        case ChangeKind::Done: record_undo_step(); break;
        case ChangeKind::Undone: undo(); return;
        case ChangeKind::Cleared:
            history_.mark_saved();
            // A drag going on across a save continues as a new step.
            continuous_step_recorded_ = false;
            break;
    }
    if (was_edited != is_edited()) view_->show_edited(is_edited());
    view_->show_undo_steps();
    // An edit went through: an earlier refusal no longer applies.
    if (kind == ChangeKind::Done) view_->clear_refusal();
}

void Document::record_undo_step() {
    std::optional<PendingEdit> edit = std::exchange(pending_edit_, std::nullopt);
    // The first change of a continuous edit records the state before it; the rest of the
    // edit belongs to that step.
    if (continuous_edit_ && continuous_step_recorded_ && history_.can_undo()) return;
    if (edit)
        history_.record(edit->name, std::move(edit->before));
    else
        history_.record(EditName::Unnamed, state());
    continuous_step_recorded_ = continuous_edit_;
}

void Document::mark_unsaved() {
    const bool was_edited = is_edited();
    history_.mark_unsaved();
    if (was_edited != is_edited()) view_->show_edited(is_edited());
}

void Document::undo() {
    step_through_history(false);
}

void Document::redo() {
    step_through_history(true);
}

void Document::step_through_history(bool forward) {
    continuous_step_recorded_ = false;
    const bool was_edited = is_edited();
    std::optional<DocumentFileState> target =
        forward ? history_.redo(state()) : history_.undo(state());
    if (!target) {
        view_->beep();
        return;
    }
    put_state(*target);
    // The values a refusal spoke of are gone.
    view_->clear_refusal();
    // Shown as a read file is: every field, both ratio tables, the curve sampled and drawn,
    // the volume sent. Without a window the curve is still sampled, as after an action.
    if (has_views_)
        show_all();
    else
        sample_curve();
    if (was_edited != is_edited()) view_->show_edited(is_edited());
    view_->show_undo_steps();
}

void Document::begin_continuous_edit() {
    continuous_edit_ = true;
    continuous_step_recorded_ = false;
}

void Document::end_continuous_edit() {
    continuous_edit_ = false;
    continuous_step_recorded_ = false;
}

}  // namespace kelvara
