#include "parameters/FXsettings.h"

#include "link/HexMessage.h"
#include "link/PedalCommands.h"

#include <algorithm>

namespace corvid {

namespace {

constexpr std::size_t kControlIII = 2;

// The slot a control's list entry names; nullopt for "Not Assigned" and the remote's entries.
std::optional<std::size_t> EntrySlot(std::size_t control, int index) {
    if (control >= controlGroups.size() || index <= 0) {
        return std::nullopt;
    }
    const std::vector<std::size_t> slots = AssignableSlots(control);
    if (static_cast<std::size_t>(index) > slots.size()) {
        return std::nullopt;
    }
    return slots[static_cast<std::size_t>(index) - 1];
}

} // namespace

bool FXsettings::RefuseAssignedEdit(std::size_t slot) {
    const assignable_parameter* parameter = state.parameters.Assignable(slot);
    if (parameter == nullptr || !parameter->is_assigned || readingFromPedal) {
        return false;
    }
    dialogs_.ShowMessage(kLockedOut);
    return true;
}

void FXsettings::LoadAlgorithmAddresses(AlgorithmLibrary& algorithms) {
    const std::string name = AlgorithmResourceName(algorithms.selectedEffectName);
    log_.PrintToConsole("resource name: " + name);
    if (!algorithms.LoadResourceLines(name)) {
        return;
    }
    const std::string line0 =
        algorithms.resourceLines.empty() ? std::string() : algorithms.resourceLines.front();
    log_.PrintToConsole(line0);
    std::string error;
    if (!LoadParameterAddresses(line0, state.parameters, error)) {
        dialogs_.ShowMessage("Error loading parameter addresses: " + error);
    }
}

void FXsettings::Recorded(const std::string& name, const std::string& key,
                          const EditableState& before) {
    if (!readingFromPedal) {
        history.Record(name, key, before, EditableState::Of(state), clock_.NowMs());
    }
}

bool FXsettings::ApplyEdit(const EditableState& target) {
    const bool send = link_.DeviceOpen();
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        const std::uint32_t value = target.values[slot];
        if (state.parameters.Value(slot) == value) {
            continue;
        }
        const assignable_parameter* assignable = state.parameters.Assignable(slot);
        const bool assigned = assignable != nullptr && assignable->is_assigned;
        // Exactly the value the step held, as a preset load sends it.
        if (!send || parameterTable[slot].addressField == 0 || assigned) {
            state.parameters.Value(slot) = value;
        } else if (!SendParameterValue(slot, value)) {
            ShowState();
            return false;
        }
    }
    state.values = Origin::Editor;
    if (state.assignment != target.assignment) {
        state.assignment = target.assignment;
        state.assignments = Origin::Editor;
    }
    if (state.shortPressBypass != target.shortPressBypass ||
        state.longPressBypass != target.longPressBypass) {
        state.shortPressBypass = target.shortPressBypass;
        state.longPressBypass = target.longPressBypass;
        state.footswitch = Origin::Editor;
    }
    if (state.selectedTuning != target.selectedTuning) {
        state.selectedTuning = target.selectedTuning;
        state.tuning = Origin::Editor;
    }
    ShowState();
    return true;
}

bool FXsettings::TakeStep(bool back) {
    std::optional<EditHistory::Step> step = back ? history.Undo() : history.Redo();
    if (!step) {
        return false;
    }
    log_.PrintToConsole((back ? "undo: " : "redo: ") + step->name);
    if (ApplyEdit(back ? step->before : step->after)) {
        return true;
    }
    if (back) {
        history.PutBackUndo(std::move(*step));
    } else {
        history.PutBackRedo(std::move(*step));
    }
    return false;
}

bool FXsettings::Undo() {
    return TakeStep(true);
}

bool FXsettings::Redo() {
    return TakeStep(false);
}

std::optional<int> FXsettings::DialTurned(std::size_t slot, int angle) {
    if (RefuseAssignedEdit(slot)) {
        return std::nullopt;
    }
    const EditableState before = EditableState::Of(state);
    const int snapped = SnapDialAngle(angle);
    std::uint32_t value = DialAngleToValue(snapped);
    // A dial moved to show the value already held sends that value as it is: the dial's
    // angle-to-level map does not give back every level it shows, and re-encoding would change
    // a value just by showing it.
    if (snapped == LevelToDialAngle(state.parameters.Value(slot), parameterTable[slot].scale)) {
        value = state.parameters.Value(slot);
    }
    SendParameterValue(slot, value);
    // A drag or a burst of keys on one dial is one step.
    Recorded(parameterTable[slot].name, "dial " + std::to_string(slot), before);
    return snapped;
}

void FXsettings::PitchChosen(int index) {
    if (RefuseAssignedEdit(slot::HarmonicPitch) || index < 0 ||
        static_cast<std::size_t>(index) >= pitchRatioTable.size()) {
        return;
    }
    const EditableState before = EditableState::Of(state);
    SendParameterValue(slot::HarmonicPitch, pitchRatioTable[static_cast<std::size_t>(index)]);
    // Stepping through the list with the keys is one step too.
    Recorded(parameterTable[slot::HarmonicPitch].name, "pitch", before);
}

std::optional<bool> FXsettings::NoteCutTicked(std::size_t slot, bool ticked) {
    if (RefuseAssignedEdit(slot)) {
        return std::nullopt;
    }
    const EditableState before = EditableState::Of(state);
    if (state.selectedTuning == noTuning) {
        dialogs_.ShowMessage(kUploadTuningFirst);
        ticked = false;
    }
    WriteNoteCut(slot, ticked);
    Recorded(parameterTable[slot].name, {}, before);
    return ticked;
}

bool FXsettings::SetParameter(std::size_t slot, std::uint32_t value) {
    if (RefuseAssignedEdit(slot)) {
        return false;
    }
    const EditableState before = EditableState::Of(state);
    bool written = false;
    if (parameterTable.at(slot).encoding == Encoding::NoteCutFlag) {
        if (value != 0 && state.selectedTuning == noTuning) {
            dialogs_.ShowMessage(kUploadTuningFirst);
            return false;
        }
        written = WriteNoteCut(slot, value != 0);
    } else {
        written = SendParameterValue(slot, value);
    }
    Recorded(parameterTable[slot].name, {}, before);
    return written;
}

bool FXsettings::WriteNoteCut(std::size_t slot, bool ticked) {
    const std::uint32_t value = ticked ? 1 : 0;
    if (!link_.WriteToDSP(CommandHex(command::DspWrite), state.parameters.Address(slot), value)) {
        return false;
    }
    state.parameters.Value(slot) = value;
    state.values = Origin::Editor;
    return true;
}

bool FXsettings::SendParameterValue(std::size_t slot, std::uint32_t value) {
    if (!link_.SendCommand(command::DspWrite,
                           DspWriteMessage(state.parameters.Address(slot), value))) {
        return false;
    }
    state.parameters.Value(slot) = value;
    state.values = Origin::Editor;
    return true;
}

std::optional<int> FXsettings::LoadValues(const std::array<std::uint32_t, parameterCount>& values) {
    const EditableState before = EditableState::Of(state);
    const bool send = link_.DeviceOpen();
    std::string lockedOut;
    int written = 0;
    bool failed = false;
    for (std::size_t slot = 0; slot < parameterCount && !failed; ++slot) {
        const assignable_parameter* assignable = state.parameters.Assignable(slot);
        const bool assigned = assignable != nullptr && assignable->is_assigned;
        if (!send || parameterTable[slot].addressField == 0 || assigned) {
            if (send && assigned) {
                lockedOut += (lockedOut.empty() ? "" : ", ") + state.parameters.Name(slot);
            }
            state.parameters.Value(slot) = values[slot];
        } else if (SendParameterValue(slot, values[slot])) {
            ++written;
        } else {
            failed = true;
        }
    }
    state.values = Origin::Editor;
    // The whole load is one step, whatever it wrote.
    Recorded("Preset Load", {}, before);
    ShowParameterValues();
    if (!lockedOut.empty()) {
        dialogs_.ShowMessage(kLockedOutOfPreset + lockedOut);
    }
    return failed ? std::nullopt : std::optional<int>(written);
}

void FXsettings::TuningChosen(int index) {
    const EditableState before = EditableState::Of(state);
    state.selectedTuning = static_cast<std::uint8_t>(index);
    state.tuning = Origin::Editor;
    Recorded("Tuning", {}, before);
    if (!TuningImplemented(index)) {
        dialogs_.ShowMessage(kTuningNotImplemented);
    }
}

bool FXsettings::ChooseAssignment(std::size_t control, int index) {
    const EditableState before = EditableState::Of(state);
    state.assignment.at(control) = index;
    state.assignments = Origin::Editor;
    const bool noteCutList =
        control < controlGroups.size() && controlGroups[control] == ControlGroup::NoteCutControls;
    if (!noteCutList || readingFromPedal || state.selectedTuning != noTuning ||
        !EntrySlot(control, index)) {
        Recorded("Assignment", {}, before);
        return false;
    }
    dialogs_.ShowMessage(kSelectTuningFirst);
    state.assignment[control] = 0;
    return true;
}

void FXsettings::FootswitchChosen(bool shortPressBypass, bool longPressBypass) {
    const EditableState before = EditableState::Of(state);
    state.shortPressBypass = shortPressBypass;
    state.longPressBypass = longPressBypass;
    state.footswitch = Origin::Editor;
    Recorded("Footswitch", {}, before);
}

bool FXsettings::ReadPedalState() {
    const Communication::Job job(link_);
    readingFromPedal = true;
    const bool read = link_.RequestDeviceInfo();
    if (read) {
        const DeviceInfo info = DecodeDeviceInfo(link_.replyBytes);
        state.deviceInfo = info;
        state.deviceInfoSerialNumber = state.serialNumber;
        state.readThisConnection = true;
        DecodeFootswitchMode(info);
        DecodeAssignments(info);
        DecodeTuning(info);
        DecodeParameterValues(info);
        commands_.ShowParametersRead();
        // What the pedal holds now is where editing starts again.
        history.Clear();
    }
    readingFromPedal = false;
    return read;
}

void FXsettings::DecodeFootswitchMode(const DeviceInfo& info) {
    state.footswitchMode = info.footswitchMode;
    log_.PrintToConsole("Footswitch Mode: " + std::to_string(state.footswitchMode));
    if (state.footswitchMode <= 3) {
        state.shortPressBypass = ShortPressBypasses(state.footswitchMode);
        state.longPressBypass = LongPressBypasses(state.footswitchMode);
        state.footswitch = Origin::Pedal;
        view_.SetFootswitchRadios(state.shortPressBypass, state.longPressBypass);
    }
}

void FXsettings::DecodeAssignments(const DeviceInfo& info) {
    for (std::size_t k = 0; k < controlCount; ++k) {
        if (!info.controlFlags[k]) {
            state.assignment[k] = 0;
        }
    }
    for (assignable_parameter& parameter : state.parameters.assignable) {
        parameter.is_assigned = false;
    }
    // Later tests win where two parameters share an address; both are marked assigned. A word
    // that names nothing this algorithm knows leaves the control as it was.
    for (std::size_t k = 0; k < controlGroups.size(); ++k) {
        if (!info.controlFlags[k]) {
            continue;
        }
        const std::vector<std::size_t> slots = AssignableSlots(k);
        for (std::size_t entry = 0; entry < slots.size(); ++entry) {
            if (info.controlWords[k] == state.parameters.Address(slots[entry])) {
                state.assignment[k] = static_cast<int>(entry + 1);
                state.parameters.Assignable(slots[entry])->is_assigned = true;
            }
        }
    }
    const std::uint16_t remote = info.controlWords[remoteControl];
    if (info.controlFlags[remoteControl] &&
        (remote == remoteBypassCode || remote == remotePresetCode)) {
        state.assignment[remoteControl] = remote == remoteBypassCode ? 1 : 2;
    }
    state.assignments = Origin::Pedal;
    for (std::size_t k = 0; k < controlCount; ++k) {
        view_.SelectAssignment(k, state.assignment[k]);
    }
}

void FXsettings::DecodeTuning(const DeviceInfo& info) {
    const std::uint8_t before = state.selectedTuning;
    state.selectedTuning = info.tuning;
    state.tuning = Origin::Pedal;
    log_.PrintToConsole("Current Tuning: " + std::to_string(state.selectedTuning));
    view_.SelectTuning(state.selectedTuning);
    // A newly shown tuning that the pedal does not have built in yet gets the list's notice.
    if (state.selectedTuning != before && !TuningImplemented(state.selectedTuning) &&
        state.selectedTuning < tuningCount) {
        dialogs_.ShowMessage(kTuningNotImplemented);
    }
}

void FXsettings::DecodeParameterValues(const DeviceInfo& info) {
    for (std::size_t i = 0; i < parameterCount; ++i) {
        state.parameters.Value(i) = info.values[i];
    }
    state.values = Origin::Pedal;
    for (std::size_t i = 0; i < parameterCount; ++i) {
        const ParameterInfo& parameter = parameterTable[i];
        log_.PrintToConsole(std::string(parameter.reportLabel) + (parameter.reportTab ? "\t" : "") +
                            HexField(state.parameters.Value(i), 8));
    }
    ShowParameterValues();
}

void FXsettings::ShowParameterValues() {
    for (std::size_t slot : showOrder) {
        const std::uint32_t value = state.parameters.Value(slot);
        switch (parameterTable[slot].encoding) {
        case Encoding::Level:
        case Encoding::StepCount:
            view_.SetDialAngle(slot, LevelToDialAngle(value, parameterTable[slot].scale));
            break;
        case Encoding::WaveSwitch:
            // Other values leave the switch as it is.
            if (value == waveOnValue || value == waveOffValue) {
                view_.SetSwitch(slot, value == waveOnValue);
            }
            break;
        case Encoding::SplitSwitch:
            if (value <= 1) {
                view_.SetSwitch(slot, value == 1);
            }
            break;
        case Encoding::PitchTable: {
            // A value that is none of the list's entries shows as such, not as a blank.
            const auto entry = std::find(pitchRatioTable.begin(), pitchRatioTable.end(), value);
            view_.SelectPitch(entry == pitchRatioTable.end()
                                  ? -1
                                  : static_cast<int>(entry - pitchRatioTable.begin()));
            break;
        }
        case Encoding::NoteCutFlag:
            view_.SetNoteCutBox(slot, value == 1);
            break;
        }
    }
}

void FXsettings::ShowState() {
    ShowParameterValues();
    for (std::size_t k = 0; k < controlCount; ++k) {
        view_.SelectAssignment(k, state.assignment[k]);
    }
    view_.SetFootswitchRadios(state.shortPressBypass, state.longPressBypass);
    view_.SelectTuning(state.selectedTuning);
}

bool FXsettings::StoreParameters() {
    std::array<std::uint32_t, parameterCount> values{};
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        values[slot] = state.parameters.Value(slot);
    }
    const std::string text = StoreSettingsMessage(values);
    log_.PrintToConsole("Store settings message (HEX): " + text);
    log_.PrintToConsole(std::to_string(text.size() / 2));
    if (!dialogs_.Confirm({QuestionKind::Confirm, "Save Parameters to pedal?"})) {
        return false;
    }
    if (!link_.SendCommand(command::StoreSettings, text, true)) {
        return false;
    }
    clock_.Sleep(kStorePauseMs);
    return true;
}

std::string FXsettings::BuildAssignMessage() {
    std::array<std::uint16_t, controlCount> words{};
    for (std::size_t k = 0; k < controlGroups.size(); ++k) {
        words[k] = noAssignmentCode;
        if (const std::optional<std::size_t> slot = EntrySlot(k, state.assignment[k])) {
            // A note cut on Control III carries the tuning it was made for.
            if (k == kControlIII && state.selectedTuning != noTuning) {
                state.parameters.Value(*slot) = static_cast<std::uint32_t>(state.selectedTuning)
                                                << 8;
            }
            words[k] = state.parameters.Address(*slot);
        }
    }
    static constexpr std::array<std::uint16_t, 3> remoteCodes = {noAssignmentCode, remoteBypassCode,
                                                                 remotePresetCode};
    const int remote = std::clamp(state.assignment[remoteControl], 0, 2);
    words[remoteControl] = remoteCodes.at(static_cast<std::size_t>(remote));

    std::array<bool, controlCount> flags{};
    for (std::size_t k = 0; k < controlCount; ++k) {
        flags[k] = state.ControlAssigned(k);
    }
    const std::string text = AssignMessage(flags, words);
    log_.PrintToConsole("lenght of assign message in bytes: " + std::to_string(text.size() / 2));
    log_.PrintToConsole("assign message: " + text);
    return text;
}

bool FXsettings::UploadAssignments() {
    const std::string text = BuildAssignMessage();
    if (!dialogs_.Confirm({QuestionKind::Confirm, "Upload Assignments?"})) {
        return false;
    }
    if (!link_.SendCommand(command::Assignments, text)) {
        return false;
    }
    state.assignments = Origin::Pedal;
    // The pedal's controls now hold these: their parameters are theirs, not the window's.
    for (assignable_parameter& parameter : state.parameters.assignable) {
        parameter.is_assigned = false;
    }
    for (std::size_t k = 0; k < controlGroups.size(); ++k) {
        if (const std::optional<std::size_t> slot = EntrySlot(k, state.assignment[k])) {
            state.parameters.Assignable(*slot)->is_assigned = true;
        }
    }
    commands_.SetAssignEnabled(false);
    clock_.Sleep(kAssignPauseMs);
    commands_.SetAssignEnabled(true);
    return true;
}

std::string FXsettings::BuildFootswitchMessage() const {
    const std::string text =
        FootswitchMessage(FootswitchMode(state.shortPressBypass, state.longPressBypass));
    log_.PrintToConsole("footswitch behaviour message: " + text);
    return text;
}

bool FXsettings::SendFootswitchMode() {
    const std::string text = BuildFootswitchMessage();
    log_.PrintToConsole(text);
    if (!link_.SendCommand(command::Footswitch, text)) {
        return false;
    }
    state.footswitchMode = FootswitchMode(state.shortPressBypass, state.longPressBypass);
    state.footswitch = Origin::Pedal;
    return true;
}

} // namespace corvid
