#include "parameters/FXsettings.h"

#include "link/HexMessage.h"

namespace corvid {

namespace {

std::uint32_t Word32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

// The parameters each assignment list offers, after its "Not Assigned" entry.
constexpr std::array<std::array<std::size_t, 3>, 4> kControlSlots = {{
    {slot::InputLevel, slot::HarmonicPitch, slot::WaveClip},
    {slot::InputLevel, slot::HarmonicPitch, slot::WaveClip},
    {slot::DominantNoteCut, slot::HighNotesCut, 0},
    {slot::DominantNoteCut, slot::HighNotesCut, 0},
}};
constexpr std::array<std::size_t, 4> kControlEntries = {3, 3, 2, 2};

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

void FXsettings::WriteNoteCut(std::size_t slot, bool ticked) {
    parameters.Value(slot) = ticked ? 1 : 0;
    link_.WriteToDSP("01", parameters.Address(slot), parameters.Value(slot));
}

void FXsettings::SendParameterValue(std::size_t slot, std::uint32_t value) {
    link_.SendHexMessage("01" + HexField(parameters.Address(slot), 4) + HexField(value, 8), 7);
}

void FXsettings::TuningChosen(int index) {
    selectedTuning = static_cast<std::uint8_t>(index);
    if (index != 0 && index != 1) {
        dialogs_.ShowMessage(kTuningNotImplemented);
    }
}

bool FXsettings::AssignmentChanged(std::size_t control, int index, const std::string& text) {
    controlAssigned.at(control) = index != 0;
    const bool noteCutList = control == static_cast<std::size_t>(ParameterView::Control::III) ||
                             control == static_cast<std::size_t>(ParameterView::Control::IV);
    if (!noteCutList || readingFromPedal || selectedTuning != noTuning) {
        return false;
    }
    const bool noteCut = text == parameters.Name(slot::DominantNoteCut) ||
                         text == parameters.Name(slot::HighNotesCut);
    if (noteCut) {
        dialogs_.ShowMessage(kSelectTuningFirst);
    }
    return noteCut;
}

void FXsettings::btnRequestClick() {
    Communication::Exchange exchange(link_);
    if (!exchange.Started()) {
        return;
    }
    readingFromPedal = true;
    if (link_.RequestDeviceInfo()) {
        const std::vector<std::uint8_t> reply = link_.replyBytes;
        DecodeFootswitchMode(reply, 4);
        DecodeAssignments(reply, 5);
        DecodeTuning(reply, 20);
        DecodeParameterValues(reply, 21);
        mainView_.ShowParametersRead();
    }
    readingFromPedal = false;
}

void FXsettings::DecodeFootswitchMode(const std::vector<std::uint8_t>& reply, std::size_t offset) {
    footswitchMode = reply.at(offset);
    log_.PrintToConsole("Footswitch Mode: " + std::to_string(footswitchMode));
    if (footswitchMode <= 3) {
        // The mode is 2 x short code + long code; short 0 is Bypass, long 1 is Bypass.
        View().SetFootswitchRadios((footswitchMode & 2) == 0, (footswitchMode & 1) != 0);
    }
}

void FXsettings::DecodeAssignments(const std::vector<std::uint8_t>& reply, std::size_t offset) {
    std::array<std::optional<std::uint16_t>, controlCount> words;
    for (std::size_t k = 0; k < controlCount; ++k) {
        if (reply.at(offset + k) == 0) {
            View().SelectAssignment(k, 0);
        } else {
            const std::size_t at = offset + 5 + 2 * k;
            words[k] = static_cast<std::uint16_t>(reply.at(at) * 256 + reply.at(at + 1));
        }
    }
    for (assignable_parameter& parameter : parameters.assignable) {
        parameter.is_assigned = false;
    }
    // Later tests win where two parameters share an address; both are marked assigned.
    for (std::size_t k = 0; k < kControlSlots.size(); ++k) {
        if (!words[k]) {
            continue;
        }
        for (std::size_t entry = 0; entry < kControlEntries[k]; ++entry) {
            const std::size_t slot = kControlSlots[k][entry];
            if (*words[k] == parameters.Address(slot)) {
                View().SelectAssignment(k, static_cast<int>(entry + 1));
                parameters.Assignable(slot)->is_assigned = true;
            }
        }
    }
    const std::size_t remote = static_cast<std::size_t>(ParameterView::Control::Remote);
    if (words[remote] == remoteBypassCode) {
        View().SelectAssignment(remote, 1);
    } else if (words[remote] == remotePresetCode) {
        View().SelectAssignment(remote, 2);
    }
}

void FXsettings::DecodeTuning(const std::vector<std::uint8_t>& reply, std::size_t offset) {
    selectedTuning = reply.at(offset);
    log_.PrintToConsole("Current Tuning: " + std::to_string(selectedTuning));
    View().SelectTuning(selectedTuning);
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
    ParameterView& view = View();
    const auto angle = [this](std::size_t slot) {
        return LevelToDialAngle(parameters.Value(slot), parameterTable[slot].scale);
    };
    for (std::size_t slot : {slot::Dry, slot::SubMix, slot::Minus1Oct, slot::Minus2Oct}) {
        view.SetDialAngle(slot, angle(slot));
    }
    if (parameters.Value(slot::Wave) == 0x00400000) {
        view.SetSwitch(slot::Wave, true);
    } else if (parameters.Value(slot::Wave) == 0x00600000) {
        view.SetSwitch(slot::Wave, false);
    }
    for (std::size_t slot : {slot::LowPass, slot::HighPass, slot::FirstHarmonic}) {
        view.SetDialAngle(slot, angle(slot));
    }
    if (parameters.Value(slot::Split) == 1) {
        view.SetSwitch(slot::Split, true);
    } else if (parameters.Value(slot::Split) == 0) {
        view.SetSwitch(slot::Split, false);
    }
    view.SetDialAngle(slot::Range, angle(slot::Range));
    view.SetDialAngle(slot::InputLevel, angle(slot::InputLevel));
    view.SetDialAngle(slot::WaveClip, angle(slot::WaveClip));
    for (std::size_t i = 0; i < pitchRatioTable.size(); ++i) {
        if (pitchRatioTable[i] == parameters.Value(slot::HarmonicPitch)) {
            view.SelectPitch(static_cast<int>(i));
        }
    }
    view.SetNoteCutBox(slot::DominantNoteCut, parameters.Value(slot::DominantNoteCut) == 1);
    view.SetNoteCutBox(slot::HighNotesCut, parameters.Value(slot::HighNotesCut) == 1);
}

void FXsettings::btnSaveParametersClick() {
    std::string text = "03";
    for (std::size_t slot = slot::InputLevel; slot <= slot::HighNotesCut; ++slot) {
        text += HexField(parameters.Value(slot), 8);
    }
    log_.PrintToConsole("Store settings message (HEX): " + text);
    log_.PrintToConsole(std::to_string(text.size() / 2));
    if (!dialogs_.Confirm("Save Parameters to pedal?")) {
        return;
    }
    if (link_.SendHexMessage(text, text.size() / 2, true)) {
        clock_.Sleep(100);
    }
}

std::string FXsettings::BuildAssignMessage() {
    ParameterView& view = View();
    std::string flags;
    for (bool assigned : controlAssigned) {
        flags += assigned ? "01" : "00";
    }
    std::string addresses;
    for (std::size_t k = 0; k < kControlSlots.size(); ++k) {
        std::string field = HexField(noAssignmentCode, 4);
        if (view.AssignmentIndex(k) != 0) {
            const std::string text = view.AssignmentText(k);
            for (std::size_t entry = 0; entry < kControlEntries[k]; ++entry) {
                const std::size_t slot = kControlSlots[k][entry];
                if (text != parameters.Name(slot)) {
                    continue;
                }
                // A note cut on Control III carries the tuning it was made for.
                if (k == static_cast<std::size_t>(ParameterView::Control::III) &&
                    selectedTuning != noTuning) {
                    parameters.Value(slot) = static_cast<std::uint32_t>(selectedTuning) << 8;
                }
                field = HexField(parameters.Address(slot), 4);
            }
        }
        addresses += field;
    }
    static constexpr std::array<std::uint16_t, 3> remoteCodes = {noAssignmentCode, remoteBypassCode,
                                                                 remotePresetCode};
    const int remote =
        view.AssignmentIndex(static_cast<std::size_t>(ParameterView::Control::Remote));
    addresses += HexField(remoteCodes.at(static_cast<std::size_t>(std::max(remote, 0))), 4);

    const std::string text = "04" + flags + addresses;
    log_.PrintToConsole("lenght of assign message in bytes: " + std::to_string(text.size() / 2));
    log_.PrintToConsole("assign message: " + text);
    return text;
}

void FXsettings::btnAssignClick() {
    const std::string text = BuildAssignMessage();
    if (!dialogs_.Confirm("Upload Assignments?")) {
        return;
    }
    if (link_.SendHexMessage(text, text.size() / 2)) {
        mainView_.SetAssignEnabled(false);
        clock_.Sleep(100);
        mainView_.SetAssignEnabled(true);
    }
}

std::string FXsettings::BuildFootswitchMessage() {
    ParameterView& view = View();
    std::string shortCode;
    if (view.ShortPressBypass() && !view.ShortPressChangePreset()) {
        shortCode = "00";
    } else if (!view.ShortPressBypass() && view.ShortPressChangePreset()) {
        shortCode = "01";
    }
    std::string longCode;
    if (!view.LongPressBypass() && view.LongPressChangePreset()) {
        longCode = "00";
    } else if (view.LongPressBypass() && !view.LongPressChangePreset()) {
        longCode = "01";
    }
    const std::string text = "08" + shortCode + longCode;
    log_.PrintToConsole("footswitch behaviour message: " + text);
    return text;
}

void FXsettings::btnSetFootswitchModeClick() {
    const std::string text = BuildFootswitchMessage();
    log_.PrintToConsole(text);
    link_.SendHexMessage(text, 3);
}

} // namespace corvid
