#include "parameters/EditHistory.h"

#include <utility>

namespace corvid {

EditableState EditableState::Of(const PedalState& state) {
    EditableState editable;
    editable.values = state.parameters.Values();
    editable.assignment = state.assignment;
    editable.shortPressBypass = state.shortPressBypass;
    editable.longPressBypass = state.longPressBypass;
    editable.selectedTuning = state.selectedTuning;
    return editable;
}

void EditHistory::Record(const std::string& name, const std::string& key,
                         const EditableState& before, const EditableState& after,
                         std::int64_t nowMs) {
    if (before == after) {
        return;
    }
    undone_.clear();
    if (!key.empty() && !done_.empty() && done_.back().key == key &&
        nowMs - done_.back().atMs <= kMergeMs) {
        done_.back().after = after;
        done_.back().atMs = nowMs;
        return;
    }
    done_.push_back({name, key, before, after, nowMs});
}

std::optional<EditHistory::Step> EditHistory::Undo() {
    if (done_.empty()) {
        return std::nullopt;
    }
    Step step = std::move(done_.back());
    done_.pop_back();
    undone_.push_back(step);
    return step;
}

std::optional<EditHistory::Step> EditHistory::Redo() {
    if (undone_.empty()) {
        return std::nullopt;
    }
    Step step = std::move(undone_.back());
    undone_.pop_back();
    done_.push_back(step);
    return step;
}

void EditHistory::PutBackUndo(Step step) {
    undone_.pop_back();
    done_.push_back(std::move(step));
}

void EditHistory::PutBackRedo(Step step) {
    done_.pop_back();
    undone_.push_back(std::move(step));
}

std::string EditHistory::UndoText() const {
    return done_.empty() ? "Undo" : "Undo " + done_.back().name;
}

std::string EditHistory::RedoText() const {
    return undone_.empty() ? "Redo" : "Redo " + undone_.back().name;
}

void EditHistory::Clear() {
    done_.clear();
    undone_.clear();
}

} // namespace corvid
