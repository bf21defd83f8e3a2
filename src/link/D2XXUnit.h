#pragma once

#include "base/Services.h"
#include "link/FtdiDriver.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvid {

// The one device the editor talks to, its port settings and its two 64 KiB buffers. Every
// operation is one driver call (the read is two) followed by the same failure report.
class D2XXUnit {
public:
    static constexpr std::size_t kBufferSize = 65536;
    static constexpr std::size_t kMaxSerialLength = 49;

    D2XXUnit(FtdiDriver& driver, Dialogs& dialogs) : driver_(driver), dialogs_(dialogs) {}

    FtStatus GetFTDeviceCount();
    FtStatus GetFTDeviceSerialNo(std::uint32_t index);
    FtStatus GetFTDeviceDescription(std::uint32_t index);
    FtStatus Open_USB_Device_By_Serial_Number(const std::string& serialNumber);
    FtStatus CloseFTDevice();
    FtStatus SetFTBaudRate();
    FtStatus SetFTDataCharacteristics();
    FtStatus PurgeFTReceive();
    FtStatus PurgeFTTransmit();
    FtStatus GetFTQueueStatus();
    // Reads the bytes already queued (at most the buffer's size) into the start of
    // ftReceiveBuffer; returns how many the driver reports as read. The read's status goes to
    // *status when asked for.
    std::uint32_t ReadFTDevice(FtStatus* status = nullptr);
    // Writes the first n bytes of ftTransmitBuffer; returns the driver's written count.
    std::uint32_t WriteFTDevice(std::size_t n);

    // Drops bytes still queued from an earlier exchange. Quiet: a failing link is reported by
    // the exchange's own calls that follow.
    void DiscardQueuedBytes();

    // Shows the operation's name followed by the status text; nothing for status 0, and
    // nothing while `quiet` (the device watch).
    void ReportFTError(const std::string& operation, FtStatus status);
    static std::string StatusText(FtStatus status);

    // The open device went away (unplugged): the failing call's message was shown once, and
    // until the next open no call reaches the driver. onDeviceGone runs once, right then.
    bool deviceGone = false;
    bool deviceOpen = false;
    bool quiet = false;
    std::function<void()> onDeviceGone;

    FtHandle ftHandle = 0;
    std::uint32_t ftDeviceCount = 0;
    std::uint32_t ftQueueBytes = 0;
    std::string ftDeviceString;
    std::array<char, kMaxSerialLength + 1> ftSerialNumberBuffer{};
    std::uint32_t ftBaudRate = 0;
    std::uint8_t ftWordLength = 0;
    std::uint8_t ftStopBits = 0;
    std::uint8_t ftParity = 0;
    std::vector<std::uint8_t> ftTransmitBuffer = std::vector<std::uint8_t>(kBufferSize);
    std::vector<std::uint8_t> ftReceiveBuffer = std::vector<std::uint8_t>(kBufferSize);

private:
    FtStatus ListDeviceString(std::uint32_t index, std::uint32_t flags, const char* operation);
    FtStatus Checked(const char* operation, FtStatus status);
    // Checked, for a call on the open device: an I/O error there means the device is gone.
    FtStatus CheckedIo(const char* operation, FtStatus status);

    FtdiDriver& driver_;
    Dialogs& dialogs_;
};

} // namespace corvid
