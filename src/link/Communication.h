#pragma once

#include "app/Services.h"
#include "link/D2XXUnit.h"
#include "link/MainView.h"

#include <string>

namespace corvid {

// Port defaults, device detection and the connection to the pedal.
class Communication {
public:
    inline static const std::string kBridgeDescription = "FT230X Basic UART";
    inline static const std::string kPedalName = "Corvid MK3";

    Communication(D2XXUnit& unit, Log& log, Dialogs& dialogs, MainView& view)
        : unit_(unit), log_(log), dialogs_(dialogs), view_(view) {}

    void SetDefaultPortSettings();
    // Silent detection at start-up: no log line and no message box of its own.
    void DetectDevice();
    void ScanDevices();
    // Opens the last device seen by a scan or the detection; true when it was opened.
    bool ConnectDevice();

    std::string deviceSerialNumber;

private:
    D2XXUnit& unit_;
    Log& log_;
    Dialogs& dialogs_;
    MainView& view_;
};

} // namespace corvid
