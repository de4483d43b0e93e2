#include "document/undo_history.h"

#include <algorithm>
#include <utility>

namespace kelvara {

namespace {

// Undo and redo are one move in opposite directions: the latest step of `from` gives the state
// to put back, and the state it replaces goes onto `to`, numbered as the present one was.
template <typename From, typename To>
std::optional<DocumentFileState> step_across(From& from, To& to, DocumentFileState current,
                                             uint64_t& current_number) {
    if (from.empty()) return std::nullopt;
    auto step = std::move(from.back());
    from.pop_back();
    to.push_back(typename To::value_type{step.name, std::move(current), current_number});
    current_number = step.number;
    return std::move(step.state);
}

}  // namespace

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
    return step_across(undo_, redo_, std::move(current), current_);
}

std::optional<DocumentFileState> UndoHistory::redo(DocumentFileState current) {
    return step_across(redo_, undo_, std::move(current), current_);
}

void UndoHistory::clear() {
    const bool saved = at_saved_state();
    undo_.clear();
    redo_.clear();
    current_ = next_++;
    saved_ = saved ? current_ : kNoState;
}

}  // namespace kelvara
