#include "parameters/FXsettings.h"

#include "link/HexMessage.h"
#include "link/PedalCommands.h"

namespace corvid {

namespace {

std::uint32_t Word32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return (std::uint32_t{bytes.at(at)} << 24) | (std::uint32_t{bytes.at(at + 1)} << 16) |
           (std::uint32_t{bytes.at(at + 2)} << 8) | std::uint32_t{bytes.at(at + 3)};
}

constexpr std::size_t kControlIII = 2;

} // namespace

bool FXsettings::RefuseAssignedEdit(std::size_t slot) {
    const assignable_parameter* parameter = parameters.Assignable(slot);
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
    if (!LoadParameterAddresses(line0, parameters, error)) {
        dialogs_.ShowMessage("Error loading parameter addresses: " + error);
    }
}

std::optional<int> FXsettings::DialTurned(std::size_t slot, int angle) {
    if (RefuseAssignedEdit(slot)) {
        return std::nullopt;
    }
    const int snapped = SnapDialAngle(angle);
    std::uint32_t value = DialAngleToValue(snapped);
    // A dial moved to show the value already held (a Request, a preset) sends that value as it
    // is: the dial's angle-to-level map does not give back every level it shows, and re-encoding
    // would change a value just by showing it.
    if (snapped == LevelToDialAngle(parameters.Value(slot), parameterTable[slot].scale)) {
        value = parameters.Value(slot);
    }
    SendParameterValue(slot, value);
    parameters.Value(slot) = value;
    return snapped;
}

void FXsettings::PitchChosen(int index) {
    if (RefuseAssignedEdit(slot::HarmonicPitch) || index < 0 ||
        static_cast<std::size_t>(index) >= pitchRatioTable.size()) {
        return;
    }
    const std::uint32_t value = pitchRatioTable[static_cast<std::size_t>(index)];
    SendParameterValue(slot::HarmonicPitch, value);
    parameters.Value(slot::HarmonicPitch) = value;
}

std::optional<bool> FXsettings::NoteCutTicked(std::size_t slot, bool ticked) {
    if (RefuseAssignedEdit(slot)) {
        return std::nullopt;
    }
    if (selectedTuning == noTuning) {
        dialogs_.ShowMessage(kUploadTuningFirst);
        ticked = false;
    }
    WriteNoteCut(slot, ticked);
    return ticked;
}

bool FXsettings::SetParameter(std::size_t slot, std::uint32_t value) {
    if (RefuseAssignedEdit(slot)) {
        return false;
    }
    if (parameterTable.at(slot).encoding == Encoding::NoteCutFlag) {
        if (value != 0 && selectedTuning == noTuning) {
            dialogs_.ShowMessage(kUploadTuningFirst);
            return false;
        }
        WriteNoteCut(slot, value != 0);
        return true;
    }
    SendParameterValue(slot, value);
    parameters.Value(slot) = value;
    return true;
}

void FXsettings::WriteNoteCut(std::size_t slot, bool ticked) {
    parameters.Value(slot) = ticked ? 1 : 0;
    link_.WriteToDSP("01", parameters.Address(slot), parameters.Value(slot));
}

bool FXsettings::SendParameterValue(std::size_t slot, std::uint32_t value) {
    return link_.SendCommand(command::DspWrite, DspWriteMessage(parameters.Address(slot), value));
}

void FXsettings::TuningChosen(int index) {
    selectedTuning = static_cast<std::uint8_t>(index);
    if (index != 0 && index != 1) {
        dialogs_.ShowMessage(kTuningNotImplemented);
    }
}

bool FXsettings::AssignmentChanged(std::size_t control, int index, const std::string& text) {
    controlAssigned.at(control) = index != 0;
    const bool noteCutList =
        control < controlGroups.size() && controlGroups[control] == ControlGroup::NoteCutControls;
    if (!noteCutList || readingFromPedal || selectedTuning != noTuning) {
        return false;
    }
    bool noteCut = false;
    for (std::size_t slot : AssignableSlots(control)) {
        noteCut = noteCut || text == parameters.Name(slot);
    }
    if (noteCut) {
        dialogs_.ShowMessage(kSelectTuningFirst);
    }
    return noteCut;
}

bool FXsettings::ReadPedalState() {
    Communication::Exchange exchange(link_);
    if (!exchange.Started()) {
        return false;
    }
    readingFromPedal = true;
    const bool read = link_.RequestDeviceInfo();
    if (read) {
        const std::vector<std::uint8_t> reply = link_.replyBytes;
        DecodeFootswitchMode(reply, deviceinfo::FootswitchMode);
        DecodeAssignments(reply, deviceinfo::Assignments);
        DecodeTuning(reply, deviceinfo::Tuning);
        DecodeParameterValues(reply, deviceinfo::ParameterValues);
        commands_.ShowParametersRead();
    }
    readingFromPedal = false;
    return read;
}

void FXsettings::DecodeFootswitchMode(const std::vector<std::uint8_t>& reply, std::size_t offset) {
    footswitchMode = reply.at(offset);
    log_.PrintToConsole("Footswitch Mode: " + std::to_string(footswitchMode));
    if (footswitchMode <= 3) {
        // The mode is 2 x short code + long code; short 0 is Bypass, long 1 is Bypass.
        view_.SetFootswitchRadios((footswitchMode & 2) == 0, (footswitchMode & 1) != 0);
    }
}

void FXsettings::DecodeAssignments(const std::vector<std::uint8_t>& reply, std::size_t offset) {
    std::array<std::optional<std::uint16_t>, controlCount> words;
    for (std::size_t k = 0; k < controlCount; ++k) {
        if (reply.at(offset + k) == 0) {
            controlAssigned[k] = false;
            view_.SelectAssignment(k, 0);
        } else {
            const std::size_t at = offset + 5 + 2 * k;
            words[k] = static_cast<std::uint16_t>(reply.at(at) * 256 + reply.at(at + 1));
        }
    }
    for (assignable_parameter& parameter : parameters.assignable) {
        parameter.is_assigned = false;
    }
    // Later tests win where two parameters share an address; both are marked assigned.
    for (std::size_t k = 0; k < controlGroups.size(); ++k) {
        if (!words[k]) {
            continue;
        }
        const std::vector<std::size_t> slots = AssignableSlots(k);
        for (std::size_t entry = 0; entry < slots.size(); ++entry) {
            if (*words[k] == parameters.Address(slots[entry])) {
                controlAssigned[k] = true;
                view_.SelectAssignment(k, static_cast<int>(entry + 1));
                parameters.Assignable(slots[entry])->is_assigned = true;
            }
        }
    }
    if (words[remoteControl] == remoteBypassCode || words[remoteControl] == remotePresetCode) {
        controlAssigned[remoteControl] = true;
        view_.SelectAssignment(remoteControl, words[remoteControl] == remoteBypassCode ? 1 : 2);
    }
}

void FXsettings::DecodeTuning(const std::vector<std::uint8_t>& reply, std::size_t offset) {
    selectedTuning = reply.at(offset);
    log_.PrintToConsole("Current Tuning: " + std::to_string(selectedTuning));
    view_.SelectTuning(selectedTuning);
}

void FXsettings::DecodeParameterValues(const std::vector<std::uint8_t>& reply, std::size_t offset) {
    parameterValues.assign(parameterCount, 0);
    for (std::size_t i = 0; i < parameterCount; ++i) {
        parameterValues[i] = Word32(reply, offset + 4 * i);
        parameters.Value(i) = parameterValues[i];
    }
    for (std::size_t i = 0; i < parameterCount; ++i) {
        const ParameterInfo& info = parameterTable[i];
        log_.PrintToConsole(std::string(info.reportLabel) + (info.reportTab ? "\t" : "") +
                            HexField(parameters.Value(i), 8));
    }
    ShowParameterValues();
}

void FXsettings::ShowParameterValues() {
    for (std::size_t slot : showOrder) {
        const std::uint32_t value = parameters.Value(slot);
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
        case Encoding::PitchTable:
            for (std::size_t i = 0; i < pitchRatioTable.size(); ++i) {
                if (pitchRatioTable[i] == value) {
                    view_.SelectPitch(static_cast<int>(i));
                }
            }
            break;
        case Encoding::NoteCutFlag:
            view_.SetNoteCutBox(slot, value == 1);
            break;
        }
    }
}

bool FXsettings::StoreParameters() {
    std::string text = CommandHex(command::StoreSettings);
    for (std::size_t slot = slot::InputLevel; slot <= slot::HighNotesCut; ++slot) {
        text += HexField(parameters.Value(slot), 8);
    }
    log_.PrintToConsole("Store settings message (HEX): " + text);
    log_.PrintToConsole(std::to_string(text.size() / 2));
    if (!dialogs_.Confirm("Save Parameters to pedal?")) {
        return false;
    }
    if (!link_.SendCommand(command::StoreSettings, text, true)) {
        return false;
    }
    clock_.Sleep(kStorePauseMs);
    return true;
}

std::string FXsettings::BuildAssignMessage() {
    std::string flags;
    for (bool assigned : controlAssigned) {
        flags += assigned ? "01" : "00";
    }
    std::string addresses;
    for (std::size_t k = 0; k < controlGroups.size(); ++k) {
        std::string field = HexField(noAssignmentCode, 4);
        if (view_.AssignmentIndex(k) != 0) {
            const std::string text = view_.AssignmentText(k);
            for (std::size_t slot : AssignableSlots(k)) {
                if (text != parameters.Name(slot)) {
                    continue;
                }
                // A note cut on Control III carries the tuning it was made for.
                if (k == kControlIII && selectedTuning != noTuning) {
                    parameters.Value(slot) = static_cast<std::uint32_t>(selectedTuning) << 8;
                }
                field = HexField(parameters.Address(slot), 4);
            }
        }
        addresses += field;
    }
    static constexpr std::array<std::uint16_t, 3> remoteCodes = {noAssignmentCode, remoteBypassCode,
                                                                 remotePresetCode};
    const int remote = view_.AssignmentIndex(remoteControl);
    addresses += HexField(remoteCodes.at(static_cast<std::size_t>(std::max(remote, 0))), 4);

    const std::string text = CommandHex(command::Assignments) + flags + addresses;
    log_.PrintToConsole("lenght of assign message in bytes: " + std::to_string(text.size() / 2));
    log_.PrintToConsole("assign message: " + text);
    return text;
}

bool FXsettings::UploadAssignments() {
    const std::string text = BuildAssignMessage();
    if (!dialogs_.Confirm("Upload Assignments?")) {
        return false;
    }
    if (!link_.SendCommand(command::Assignments, text)) {
        return false;
    }
    commands_.SetAssignEnabled(false);
    clock_.Sleep(kAssignPauseMs);
    commands_.SetAssignEnabled(true);
    return true;
}

std::string FXsettings::BuildFootswitchMessage() {
    std::string shortCode;
    if (view_.ShortPressBypass() && !view_.ShortPressChangePreset()) {
        shortCode = "00";
    } else if (!view_.ShortPressBypass() && view_.ShortPressChangePreset()) {
        shortCode = "01";
    }
    std::string longCode;
    if (!view_.LongPressBypass() && view_.LongPressChangePreset()) {
        longCode = "00";
    } else if (view_.LongPressBypass() && !view_.LongPressChangePreset()) {
        longCode = "01";
    }
    const std::string text = CommandHex(command::Footswitch) + shortCode + longCode;
    log_.PrintToConsole("footswitch behaviour message: " + text);
    return text;
}

bool FXsettings::SendFootswitchMode() {
    const std::string text = BuildFootswitchMessage();
    log_.PrintToConsole(text);
    return link_.SendCommand(command::Footswitch, text);
}

} // namespace corvid
