#pragma once

#include "base/Services.h"
#include "emulator/EmulatedPedal.h"
#include "link/FtdiDriver.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace corvid {

// The built-in emulated pedal behind the driver interface. Device 0 is the pedal; tests may
// attach further devices that list but answer nothing.
class EmulatedDriver : public FtdiDriver {
public:
    enum class Call {
        ListDeviceCount,
        ListDeviceByIndex,
        OpenEx,
        Close,
        SetBaudRate,
        SetDataCharacteristics,
        Purge,
        GetQueueStatus,
        Read,
        Write,
    };

    struct Device {
        std::string serialNumber;
        std::string description;
    };

    inline static const std::string kSerialNumber = "KV0MK3E1";
    static constexpr FtHandle kHandle = 0x00C0FFEE;

    // Replies reach the host side at the times the pedal gives them; a clock timer signals each
    // arrival, so waits wake in virtual time as in real time.
    explicit EmulatedDriver(Clock& clock);

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

    // The cable is pulled: the pedal leaves the listing and every call on its open port fails
    // with an I/O error (closing it still succeeds). Plug brings it back.
    void Unplug();
    void Plug();
    // Calls that reached the driver, by kind.
    mutable std::map<Call, int> calls;

    // Makes every later call of that kind fail with the status until cleared.
    void FailCall(Call call, FtStatus status) { failures_[call] = status; }
    void ClearFailures() { failures_.clear(); }

    // Carries the bootloader's bytes no faster than a line of `baud` bit/s would (10 bits a
    // byte, 11 with parity), both ways, so a firmware upgrade takes its wire time. 0: no pacing.
    void Pace(std::uint32_t baud) {
        paceBaud_ = baud;
        pedal.state.paceBaud = baud;
    }

    std::vector<Device> devices;
    EmulatedPedal pedal;
    bool open = false;
    std::uint32_t baudRate = 0;
    std::uint8_t wordLength = 0;
    std::uint8_t stopBits = 0;
    std::uint8_t parity = 0;
    std::string openedSerialNumber;
    // The size of every write, in order.
    std::vector<std::uint32_t> writeSizes;

private:
    FtStatus Injected(Call call) const;
    FtStatus Opened(FtHandle handle, Call call) const;
    // Arms the arrival timer for the next reply bytes still on their way.
    void ScheduleArrival();

    Clock& clock_;
    std::unique_ptr<ClockTimer> arrival_;
    std::int64_t arrivalAt_ = -1;
    std::uint32_t paceBaud_ = 0;
    // When the host's line is idle again after its last byte (µs of the clock), and whether it
    // has carried a byte yet.
    double lineFreeUs_ = 0;
    bool lineUsed_ = false;
    std::map<Call, FtStatus> failures_;
    std::vector<Device> unplugged_;
    bool lost_ = false;
};

} // namespace corvid
