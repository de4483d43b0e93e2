// The document's change mark and its undo history: the step each action records, undo and
// redo, and the continuous edits that form one step.
#include "document/edit_history.h"

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

void Document::record_change() {
    const bool was_edited = is_edited();
    record_undo_step();
    if (was_edited != is_edited()) view_->show_edited(is_edited());
    view_->show_undo_steps();
    // An edit went through: an earlier refusal no longer applies.
    view_->clear_refusal();
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

void EditHistory::update_change_count(ChangeKind kind) {
    switch (kind) {
        case ChangeKind::Done: document_.record_change(); return;
        case ChangeKind::Undone: undo(); return;
        case ChangeKind::Cleared: break;
    }
    const bool was_edited = document_.is_edited();
    document_.history_.mark_saved();
    // The document was saved (or read): a refusal of before it no longer applies.
    document_.view_->clear_refusal();
    // A drag going on across a save continues as a new step.
    document_.continuous_step_recorded_ = false;
    if (was_edited != document_.is_edited()) document_.view_->show_edited(document_.is_edited());
    document_.view_->show_undo_steps();
}

void EditHistory::mark_unsaved() {
    document_.mark_unsaved();
}

bool EditHistory::can_undo() const {
    return document_.history_.can_undo();
}

bool EditHistory::can_redo() const {
    return document_.history_.can_redo();
}

std::optional<EditName> EditHistory::undo_name() const {
    return document_.history_.undo_name();
}

std::optional<EditName> EditHistory::redo_name() const {
    return document_.history_.redo_name();
}

void EditHistory::undo() {
    document_.step_through_history(false);
}

void EditHistory::redo() {
    document_.step_through_history(true);
}

void EditHistory::begin_continuous_edit() {
    document_.continuous_edit_ = true;
    document_.continuous_step_recorded_ = false;
}

void EditHistory::end_continuous_edit() {
    document_.continuous_edit_ = false;
    document_.continuous_step_recorded_ = false;
}

}  // namespace kelvara
