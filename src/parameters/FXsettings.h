#pragma once

#include "algorithms/AlgorithmLibrary.h"
#include "base/Services.h"
#include "link/Communication.h"
#include "link/ParameterModel.h"
#include "link/PedalState.h"
#include "parameters/EditHistory.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// The parameter window as the parameter logic tells it what to show. Showing runs no change
// handler: only a user's own change reaches the core, so showing a value never writes it.
class ParameterView {
public:
    virtual ~ParameterView() = default;
    virtual void SetFootswitchRadios(bool shortPressBypass, bool longPressBypass) = 0;
    // `index` as PedalState::assignment holds it.
    virtual void SelectAssignment(std::size_t control, int index) = 0;
    // An index past the list's end shows no tuning at all.
    virtual void SelectTuning(int index) = 0;
    virtual void SetDialAngle(std::size_t slot, int angle) = 0;
    virtual void SetSwitch(std::size_t slot, bool on) = 0;
    // -1: the value held is none of the list's entries.
    virtual void SelectPitch(int index) = 0;
    virtual void SetNoteCutBox(std::size_t slot, bool ticked) = 0;
};

// The main window's commands that depend on what was read from the pedal.
class ParameterCommandsView {
public:
    virtual ~ParameterCommandsView() = default;
    // The pedal's state was read: Assign, Save Parameters, Set Footswitch Mode and Set Tuning on.
    virtual void ShowParametersRead() = 0;
    virtual void SetAssignEnabled(bool enabled) = 0;
};

// The parameters, the assignments, the footswitch mode and the tuning choice: edits of them,
// reading them from the pedal and the messages that store them, all over the session's
// PedalState.
class FXsettings {
public:
    static constexpr std::uint8_t noTuning = 0;
    static constexpr int tuningCount = 5;
    // The tunings by number, as the tuning list shows them.
    static constexpr std::array<const char*, tuningCount> tuningNames = {
        "No Tuning Selected", "Standard EADGBE", "Drop D (DADGBE)", "DADGAD", "EbAbDbGbBbEb"};
    // Whether the pedal has the tuning built in yet (no tuning, or standard).
    static constexpr bool TuningImplemented(int index) { return index == 0 || index == 1; }
    inline static const std::string kLockedOut =
        "This parameter is currently assigned and cannot be controlled from here";
    inline static const std::string kLockedOutOfPreset =
        "These parameters are currently assigned and cannot be controlled from here: ";
    inline static const std::string kUploadTuningFirst =
        "Make sure you have uploaded a tuning before setting this parameter";
    inline static const std::string kSelectTuningFirst =
        "No tuning selected, Select a tuning before assigning this parameter";
    inline static const std::string kTuningNotImplemented =
        "This tuning has not been implemented yet :( But feel free to get in touch to speed up!";

    static constexpr int kStorePauseMs = 100;
    static constexpr int kAssignPauseMs = 100;

    FXsettings(PedalState& state, Communication& link, Log& log, Dialogs& dialogs, Clock& clock,
               ParameterView& view, ParameterCommandsView& commands)
        : state(state), link_(link), log_(log), dialogs_(dialogs), clock_(clock), view_(view),
          commands_(commands) {}

    // True, with the message shown, while the parameter is assigned to a control and no
    // Request is reading: the window must not change it then.
    bool RefuseAssignedEdit(std::size_t slot);
    // Loads the selected algorithm's text and reads the parameters' addresses from it.
    void LoadAlgorithmAddresses(AlgorithmLibrary& algorithms);
    // A dial of a level slot was turned to `angle`. Writes the level of the angle, snapped out
    // of the dead zone (or the value held, when the angle is the one that shows it), and returns
    // the snapped angle for the dial to show; nullopt when the parameter is assigned and was
    // left alone.
    std::optional<int> DialTurned(std::size_t slot, int angle);
    // The pitch list's entry `index` was chosen: its ratio goes to the DSP (not while assigned).
    void PitchChosen(int index);
    // A note-cut box was ticked or cleared. Without a tuning it cannot be on: the notice is shown
    // and off is written. Returns what the box must show; nullopt when the parameter is assigned
    // and was left alone.
    std::optional<bool> NoteCutTicked(std::size_t slot, bool ticked);
    // Writes a value given directly (not through a control), with the checks a control makes:
    // not while assigned, and a note cut only with a tuning. True when it was written.
    bool SetParameter(std::size_t slot, std::uint32_t value);
    // A note-cut flag goes to the DSP (logged); true when it was written.
    bool WriteNoteCut(std::size_t slot, bool ticked);
    // Writes a value of a slot: 01, address, value. True when it went out; only then is the
    // value recorded.
    bool SendParameterValue(std::size_t slot, std::uint32_t value);
    // A preset's values: one write for every parameter that has an address and is not
    // assigned, exactly the given value; the assigned ones are kept unsent and named in one
    // message. Without an open pedal the values are only taken and shown. The number of writes,
    // or nullopt when one failed (the load stops there).
    std::optional<int> LoadValues(const std::array<std::uint32_t, parameterCount>& values);
    // The tuning list's choice; the tunings not built into the pedal yet bring up a notice.
    void TuningChosen(int index);
    // Control `control` is to show entry `index` of its list. True when it must go back to
    // "Not Assigned" (already done in the state): a note cut on Control III or IV needs a tuning
    // (not checked while reading from the pedal).
    bool ChooseAssignment(std::size_t control, int index);
    // The footswitch choice for the next Set Footswitch Mode.
    void FootswitchChosen(bool shortPressBypass, bool longPressBypass);

    // Reads the pedal's state and shows it; true when the whole reply was decoded. Sends nothing
    // but the request.
    bool ReadPedalState();
    void DecodeFootswitchMode(const DeviceInfo& info);
    void DecodeAssignments(const DeviceInfo& info);
    void DecodeTuning(const DeviceInfo& info);
    void DecodeParameterValues(const DeviceInfo& info);
    // Tells the parameter window every value held.
    void ShowParameterValues();
    // Tells the parameter window everything the state holds: values, assignments, footswitch,
    // tuning.
    void ShowState();

    // The last edit taken back, or the last one taken back done again: one write for every value
    // that differs (none for a parameter assigned on the pedal, nor without an open pedal), the
    // choices restored and everything shown. False when there was none or a write failed (the
    // step stays where it was).
    bool Undo();
    bool Redo();

    // Each true when its message went out.
    bool StoreParameters();
    std::string BuildAssignMessage();
    bool UploadAssignments();
    std::string BuildFootswitchMessage() const;
    bool SendFootswitchMode();

    PedalState& state;
    EditHistory history;
    bool readingFromPedal = false;
    bool allParametersEnabled = false;

private:
    Communication& link_;
    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
    ParameterView& view_;
    ParameterCommandsView& commands_;

    // The edit made since `before`, as one step (none while reading from the pedal).
    void Recorded(const std::string& name, const std::string& key, const EditableState& before);
    bool ApplyEdit(const EditableState& target);
    // Undo (back) or redo of the step at hand.
    bool TakeStep(bool back);
};

} // namespace corvid
