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
    void SetDeviceLabel(const std::string& text) override { deviceLabel = text; }
    void ShowSerialNumbers(const std::string& /*serials*/) override {}
    void SetFirmwareVersionLabel(const std::string& text) override { firmwareLabel = text; }
    void ShowDeviceOpened() override { deviceOpen = true; }
    void ShowDeviceClosed() override { deviceOpen = false; }
    void SetStatusLabel(const std::string& text) override { statusLabel = text; }
    void ShowParametersRead() override { parametersRead = true; }
    void SetAssignEnabled(bool /*enabled*/) override {}

    void SetFootswitchRadios(bool /*shortBypass*/, bool /*longBypass*/) override {}
    void SelectAssignment(std::size_t /*control*/, int /*index*/) override {}
    void SelectTuning(int /*index*/) override {}
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
    void SetVerifyProgress(int position, int maximum) override {
        verifyPosition = position;
        verifyMaximum = maximum;
    }
    void ShowPath(const std::string& path) override { upgradePath = path; }
    void SetUpgradeRunning(bool running) override { upgradeRunning = running; }
    void ShowUpgradeFinished() override { upgradeFinished = true; }
    void SetNewVersionText(const std::string& text) override { newVersionText = text; }
    void ShowNewVersionNotice() override { noticeShown = true; }
    void ShowReadProgress(std::size_t received, std::size_t expected) override {
        readReceived = received;
        readExpected = expected;
    }

    std::string deviceLabel = "No device found";
    std::string firmwareLabel;
    std::string statusLabel;
    bool deviceOpen = false;
    bool parametersRead = false;
    std::array<int, parameterCount> dialAngles{};
    bool bootloaderReady = false;
    int upgradePosition = 0;
    int upgradeMaximum = 0;
    int verifyPosition = 0;
    std::string upgradePath;
    int verifyMaximum = 0;
    bool upgradeRunning = false;
    bool upgradeFinished = false;
    std::string newVersionText = VersionCheck::kMenuText;
    bool noticeShown = false;
    std::size_t readReceived = 0;
    std::size_t readExpected = 0;
};

} // namespace corvid
