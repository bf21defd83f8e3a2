#pragma once

#include <string>

namespace corvid {

// What the pedal link shows in the main window: the device label, the serial-number menu
// item, the firmware label and the enabled states of the connection commands.
class MainView {
public:
    virtual ~MainView() = default;
    virtual std::string DeviceLabel() const = 0;
    virtual void SetDeviceLabel(const std::string& text) = 0;
    virtual void AppendSerialNumberMenu(const std::string& text) = 0;
    virtual void SetFirmwareVersionLabel(const std::string& text) = 0;
    virtual void SetStatusLabel(const std::string& text) = 0;
    // A device was opened: Upload, Request and Disconnect on; Scan, Connect and the
    // firmware-upgrade-mode box off.
    virtual void ShowDeviceOpened() = 0;
    // The pedal's state was read: Assign, Save Parameters, Set Footswitch Mode and Set Tuning on.
    virtual void ShowParametersRead() = 0;
    virtual void SetAssignEnabled(bool enabled) = 0;
};

} // namespace corvid
