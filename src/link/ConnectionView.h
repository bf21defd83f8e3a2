#pragma once

#include <string>

namespace corvid {

// What the pedal link shows: the device label, the serial-number menu item, the firmware label
// and the enabled states of the connection commands.
class ConnectionView {
public:
    virtual ~ConnectionView() = default;
    virtual void SetDeviceLabel(const std::string& text) = 0;
    // The serial numbers of the bridges the last detection found, one after the other.
    virtual void ShowSerialNumbers(const std::string& serials) = 0;
    virtual void SetFirmwareVersionLabel(const std::string& text) = 0;
    // A device was opened: Upload, Request and Disconnect on; Scan, Connect and the
    // firmware-upgrade-mode box off.
    virtual void ShowDeviceOpened() = 0;
    // The device was closed: Scan and Connect on; Disconnect and the pedal commands off.
    virtual void ShowDeviceClosed() = 0;
};

} // namespace corvid
