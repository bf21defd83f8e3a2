#pragma once

#include "base/Services.h"
#include "link/FtdiDriver.h"

#include <QSerialPort>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace corvid {

// The system's handle of an open port: a file descriptor on Linux, a HANDLE on Windows.
using SerialHandle = decltype(std::declval<QSerialPort&>().handle());

// Asks a serial port's driver to pass received bytes on at once (Linux: ASYNC_LOW_LATENCY).
// False, with the reason, where the port or the system refuses (a pseudo-terminal does).
bool RequestLowLatency(SerialHandle port, std::string& refusal);

// The driver for real pedals: the FTDI bridge appears as a serial port on every desktop system
// (ftdi_sio on Linux, the virtual COM port on Windows and macOS).
class SerialPortDriver : public FtdiDriver {
public:
    static constexpr std::uint16_t kFtdiVendorId = 0x0403;

    // extraPorts are listed after the bridges as one more device each, with the bridge's
    // description and the port's path as serial number. A write waits on the clock for its
    // bytes to leave.
    explicit SerialPortDriver(Clock& clock, std::vector<std::string> extraPorts = {});
    ~SerialPortDriver() override;

    FtStatus ListDeviceCount(std::uint32_t& count) override;
    FtStatus ListDeviceByIndex(std::uint32_t index, std::uint32_t flags, FtListText& text) override;
    FtStatus OpenEx(const char* serialNumber, std::uint32_t flags, FtHandle& handle) override;
    FtStatus Close(FtHandle handle) override;
    FtStatus SetBaudRate(FtHandle handle, std::uint32_t baudRate) override;
    FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override;
    FtStatus Purge(FtHandle handle, std::uint32_t mask) override;
    FtStatus GetQueueStatus(FtHandle handle, std::uint32_t& rxBytes) override;
    FtStatus Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                  std::uint32_t& bytesRead) override;
    FtStatus Write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                   std::uint32_t& bytesWritten) override;

    // The system's name for the port of the device at a listing index, or empty.
    std::string PortName(std::uint32_t index) const;

private:
    struct Entry {
        std::string serialNumber;
        std::string description;
        std::string portName;
    };
    struct Port {
        std::unique_ptr<QSerialPort> serial;
        // Set by the first read, write or resource error (an unplugged bridge): the port is
        // closed then and every later call on the handle fails.
        bool lost = false;
    };

    std::vector<Entry> Enumerate() const;
    // Ports whose refusal of low latency has been noted already.
    std::set<std::string> lowLatencyRefused_;
    // The open port of a handle, or the status to return instead.
    FtStatus Find(FtHandle handle, Port*& port);
    // Closes a port whose link was lost; IO_ERROR then, OK otherwise.
    static FtStatus Settle(Port& port);

    Clock& clock_;
    std::vector<std::string> extraPorts_;
    std::map<FtHandle, Port> ports_;
    FtHandle nextHandle_ = 1;
};

} // namespace corvid
