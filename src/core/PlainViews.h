#pragma once

#include "algorithms/AlgorithmUpload.h"
#include "devtools/EepromTools.h"
#include "firmware/FirmwareUpgrade.h"
#include "link/ConnectionView.h"
#include "parameters/FXsettings.h"
#include "preferences/Look.h"
#include "updates/VersionCheck.h"

#include <array>
#include <string>
#include <vector>

namespace corvid {

// What the windows would show, kept as plain state, for front ends without windows (the
// command line, the benchmarks, the core tests). Nothing here talks back to the core.
class PlainViews : public ConnectionView,
                   public UploadView,
                   public ParameterView,
                   public ParameterCommandsView,
                   public LookView,
                   public BootloaderView,
                   public FirmwareUpgradeView,
                   public UpdateView,
                   public EepromView {
public:
    std::string DeviceLabel() const override { return deviceLabel; }
    void SetDeviceLabel(const std::string& text) override { deviceLabel = text; }
    void AppendSerialNumberMenu(const std::string& /*text*/) override {}
    void SetFirmwareVersionLabel(const std::string& text) override { firmwareLabel = text; }
    void ShowDeviceOpened() override { deviceOpen = true; }
    void ShowDeviceClosed() override { deviceOpen = false; }
    void SetStatusLabel(const std::string& text) override { statusLabel = text; }
    void ShowParametersRead() override { parametersRead = true; }
    void SetAssignEnabled(bool /*enabled*/) override {}

    void SetFootswitchRadios(bool shortBypass, bool longBypass) override {
        shortPressBypass = shortBypass;
        longPressBypass = longBypass;
    }
    bool ShortPressBypass() const override { return shortPressBypass; }
    bool ShortPressChangePreset() const override { return !shortPressBypass; }
    bool LongPressBypass() const override { return longPressBypass; }
    bool LongPressChangePreset() const override { return !longPressBypass; }
    void SelectAssignment(std::size_t control, int index) override {
        assignment.at(control) = index;
    }
    int AssignmentIndex(std::size_t control) const override { return assignment.at(control); }
    std::string AssignmentText(std::size_t control) const override {
        return EntryText(control, assignment.at(control));
    }
    void SelectTuning(int index) override { tuning = index; }
    void SetDialAngle(std::size_t slot, int angle) override { dialAngles.at(slot) = angle; }
    void SetSwitch(std::size_t /*slot*/, bool /*on*/) override {}
    void SelectPitch(int /*index*/) override {}
    void SetNoteCutBox(std::size_t /*slot*/, bool /*ticked*/) override {}
    void SetStyleSheet(const std::string& /*sheet*/) override {}
    void ShowBootloaderReady() override { bootloaderReady = true; }
    void ShowUpgradeModeOff() override { bootloaderReady = false; }
    void SetUpgradeProgress(int position, int maximum) override {
        upgradePosition = position;
        upgradeMaximum = maximum;
    }
    void SetUpgradeRunning(bool running) override { upgradeRunning = running; }
    void ShowUpgradeFinished() override { upgradeFinished = true; }
    void SetNewVersionText(const std::string& text) override { newVersionText = text; }
    void ShowNewVersionNotice() override { noticeShown = true; }
    void ShowReadProgress(std::size_t received, std::size_t expected) override {
        readReceived = received;
        readExpected = expected;
    }

    // The entries of a control's list, as the window's list holds them.
    static std::vector<std::string> Entries(std::size_t control);
    static std::string EntryText(std::size_t control, int index);

    std::string deviceLabel = "No device found";
    std::string firmwareLabel;
    std::string statusLabel;
    bool deviceOpen = false;
    bool parametersRead = false;
    int tuning = 0;
    std::array<int, parameterCount> dialAngles{};
    bool shortPressBypass = true;
    bool longPressBypass = false;
    std::array<int, controlCount> assignment{};
    bool bootloaderReady = false;
    int upgradePosition = 0;
    int upgradeMaximum = 0;
    bool upgradeRunning = false;
    bool upgradeFinished = false;
    std::string newVersionText = VersionCheck::kMenuText;
    bool noticeShown = false;
    std::size_t readReceived = 0;
    std::size_t readExpected = 0;
};

} // namespace corvid
