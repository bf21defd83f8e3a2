#pragma once

#include "link/ParameterModel.h"
#include "link/PedalState.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// What an edit in the editor can change: the values and the choices not yet stored (the
// assignments, the footswitch, the tuning).
struct EditableState {
    std::array<std::uint32_t, parameterCount> values{};
    std::array<int, controlCount> assignment{};
    bool shortPressBypass = true;
    bool longPressBypass = false;
    std::uint8_t selectedTuning = 0;

    static EditableState Of(const PedalState& state);
    bool operator==(const EditableState&) const = default;
};

// Undo and redo over the edits of the pedal's state. A step holds the state before and after
// it; a dial that keeps moving within kMergeMs makes one step of its drag or key burst.
class EditHistory {
public:
    static constexpr std::int64_t kMergeMs = 1000;

    struct Step {
        std::string name;
        // Steps with the same key merge while they follow each other closely; empty never does.
        std::string key;
        EditableState before;
        EditableState after;
        std::int64_t atMs = 0;
    };

    // An edit from `before` to `after` at nowMs; nothing when nothing changed. A new edit ends
    // what could be redone.
    void Record(const std::string& name, const std::string& key, const EditableState& before,
                const EditableState& after, std::int64_t nowMs);
    // The step to undo or redo, moved to the other side; nullopt when there is none.
    std::optional<Step> Undo();
    std::optional<Step> Redo();
    // A step that could not be carried out goes back where it was.
    void PutBackUndo(Step step);
    void PutBackRedo(Step step);
    // "Undo Input Level", or "Undo" when there is nothing to undo; the same for redo.
    std::string UndoText() const;
    std::string RedoText() const;
    bool CanUndo() const { return !done_.empty(); }
    bool CanRedo() const { return !undone_.empty(); }
    void Clear();

private:
    std::vector<Step> done_;
    std::vector<Step> undone_;
};

} // namespace corvid
