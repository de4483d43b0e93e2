#include "document/undo_history.h"

#include <algorithm>
#include <utility>

namespace kelvara {

UndoHistory::UndoHistory(size_t max_steps) : max_steps_(std::max<size_t>(max_steps, 1)) {}

void UndoHistory::record(EditName name, DocumentFileState before) {
    undo_.push_back(Step{name, std::move(before), current_});
    if (undo_.size() > max_steps_) undo_.pop_front();
    redo_.clear();
    current_ = next_++;
}

std::optional<EditName> UndoHistory::undo_name() const {
    if (undo_.empty()) return std::nullopt;
    return undo_.back().name;
}

std::optional<EditName> UndoHistory::redo_name() const {
    if (redo_.empty()) return std::nullopt;
    return redo_.back().name;
}

std::optional<DocumentFileState> UndoHistory::undo(DocumentFileState current) {
    if (undo_.empty()) return std::nullopt;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    redo_.push_back(Step{step.name, std::move(current), current_});
    current_ = step.number;
    return std::move(step.state);
}

std::optional<DocumentFileState> UndoHistory::redo(DocumentFileState current) {
    if (redo_.empty()) return std::nullopt;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back(Step{step.name, std::move(current), current_});
    current_ = step.number;
    return std::move(step.state);
}

void UndoHistory::clear() {
    const bool saved = at_saved_state();
    undo_.clear();
    redo_.clear();
    current_ = next_++;
    saved_ = saved ? current_ : kNoState;
}

}  // namespace kelvara
