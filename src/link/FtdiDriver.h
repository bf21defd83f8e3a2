#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace corvid {

// D2XX status codes (FT_STATUS). 0 is success; the editor shows texts for 1..17.
using FtStatus = std::uint32_t;
using FtHandle = std::uint32_t;

namespace ft {
inline constexpr FtStatus OK = 0;
inline constexpr FtStatus INVALID_HANDLE = 1;
inline constexpr FtStatus DEVICE_NOT_FOUND = 2;
inline constexpr FtStatus DEVICE_NOT_OPENED = 3;
inline constexpr FtStatus IO_ERROR = 4;
inline constexpr FtStatus INSUFFICIENT_RESOURCES = 5;
inline constexpr FtStatus INVALID_PARAMETER = 6;
inline constexpr FtStatus INVALID_BAUD_RATE = 7;
inline constexpr FtStatus OTHER_ERROR = 17;

// FT_ListDevices flags.
inline constexpr std::uint32_t LIST_NUMBER_ONLY = 0x80000000;
inline constexpr std::uint32_t LIST_BY_INDEX = 0x40000000;
inline constexpr std::uint32_t OPEN_BY_SERIAL_NUMBER = 1;
inline constexpr std::uint32_t OPEN_BY_DESCRIPTION = 2;

// FT_Purge masks.
inline constexpr std::uint32_t PURGE_RX = 1;
inline constexpr std::uint32_t PURGE_TX = 2;
} // namespace ft

// The listing buffers the driver fills: a NUL-terminated string of at most 64 bytes.
using FtListText = std::array<char, 64>;

// Fills a listing buffer as the driver does: the text, cut to fit, then NULs.
inline void FillListText(FtListText& text, const std::string& value) {
    text.fill('\0');
    value.copy(text.data(), text.size() - 1);
}

// The nine D2XX calls the editor uses, each returning the driver's status, and the driver's
// event notification, so waits wake when bytes arrive instead of looking again and again.
// FT_ListDevices appears in its three uses: the device count, and the serial number or the
// description of the device at an index.
class FtdiDriver {
public:
    virtual ~FtdiDriver() = default;

    // FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY)
    virtual FtStatus ListDeviceCount(std::uint32_t& count) = 0;
    // FT_ListDevices(index, text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER or _DESCRIPTION)
    virtual FtStatus ListDeviceByIndex(std::uint32_t index, std::uint32_t flags,
                                       FtListText& text) = 0;
    // FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &handle)
    virtual FtStatus OpenEx(const char* serialNumber, std::uint32_t flags, FtHandle& handle) = 0;
    virtual FtStatus Close(FtHandle handle) = 0;
    virtual FtStatus SetBaudRate(FtHandle handle, std::uint32_t baudRate) = 0;
    virtual FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual FtStatus Purge(FtHandle handle, std::uint32_t mask) = 0;
    virtual FtStatus GetQueueStatus(FtHandle handle, std::uint32_t& rxBytes) = 0;
    // Reads at most toRead bytes that are already queued; never waits.
    virtual FtStatus Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                          std::uint32_t& bytesRead) = 0;
    virtual FtStatus Write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                           std::uint32_t& bytesWritten) = 0;
    // FT_SetEventNotification: onEvent runs whenever bytes arrived, left or the link failed.
    // An empty function ends the notification.
    void SetEventNotification(std::function<void()> onEvent) { onEvent_ = std::move(onEvent); }
    // Where the driver notes what the log should know (how a port was set up).
    void SetNoteSink(std::function<void(const std::string&)> note) { note_ = std::move(note); }

protected:
    void Note(const std::string& text) const {
        if (note_) {
            note_(text);
        }
    }
    // Drivers call this when bytes arrived, left or the link failed.
    void NotifyEvent() const {
        if (onEvent_) {
            onEvent_();
        }
    }

private:
    std::function<void(const std::string&)> note_;
    std::function<void()> onEvent_;
};

} // namespace corvid
