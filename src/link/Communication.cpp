#include "link/Communication.h"

#include <cstdio>

namespace corvid {

void Communication::SetDefaultPortSettings() {
    unit_.ftBaudRate = 115200;
    unit_.ftWordLength = 8;
    unit_.ftStopBits = 0;
    unit_.ftParity = 0;
}

void Communication::DetectDevice() {
    unit_.GetFTDeviceCount();
    for (std::uint32_t index = 0; index < unit_.ftDeviceCount; ++index) {
        unit_.GetFTDeviceSerialNo(index);
        view_.AppendSerialNumberMenu(unit_.ftDeviceString);
        deviceSerialNumber = unit_.ftDeviceString;
        unit_.GetFTDeviceDescription(index);
        view_.SetDeviceLabel(unit_.ftDeviceString == kBridgeDescription ? kPedalName
                                                                         : unit_.ftDeviceString);
    }
}

void Communication::ScanDevices() {
    view_.SetDeviceLabel("Device Name");
    unit_.GetFTDeviceCount();
    log_.PrintToConsole("FT device count: " + std::to_string(unit_.ftDeviceCount));
    if (unit_.ftDeviceCount == 0) {
        dialogs_.ShowMessage("No device found");
        view_.SetDeviceLabel("No device found");
        return;
    }
    for (std::uint32_t index = 0; index < unit_.ftDeviceCount; ++index) {
        unit_.GetFTDeviceSerialNo(index);
        log_.PrintToConsole("FT_Device_String: " + unit_.ftDeviceString);
        deviceSerialNumber = unit_.ftDeviceString;
        unit_.GetFTDeviceDescription(index);
        view_.SetDeviceLabel(unit_.ftDeviceString);
        dialogs_.ShowMessage(unit_.ftDeviceString + " found, click Connect");
    }
}

bool Communication::ConnectDevice() {
    log_.PrintToConsole("serial number: " + deviceSerialNumber);
    if (unit_.Open_USB_Device_By_Serial_Number(deviceSerialNumber) != ft::OK) {
        return false;
    }
    view_.SetDeviceLabel(view_.DeviceLabel() + " connected");
    unit_.SetFTBaudRate();
    unit_.SetFTDataCharacteristics();
    char handle[16];
    std::snprintf(handle, sizeof handle, "%08X", static_cast<unsigned>(unit_.ftHandle));
    log_.PrintToConsole(std::string("FT_HANDLE: 0x") + handle);
    log_.PlainLine("baud rate = " + std::to_string(unit_.ftBaudRate));
    view_.ShowDeviceOpened();
    return true;
}

} // namespace corvid
