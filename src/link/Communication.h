#pragma once

#include "base/Services.h"
#include "link/ConnectionView.h"
#include "link/D2XXUnit.h"
#include "link/PedalCommands.h"
#include "link/PedalState.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// How the bytes of one exchange are collected: the reply is complete once `values` numbers or
// `bytes` bytes have arrived (0: not known), or when no byte has come for `idleMs`, or after
// `limitMs` in all (0: no such limit). `progress` hears the count of values as they come, of
// `values`.
struct ReplyEnd {
    std::size_t values = 0;
    std::size_t bytes = 0;
    int idleMs = 100;
    int limitMs = 0;
    JobProgress progress = nullptr;
};

// Port defaults, device detection, the connection, messages to the pedal and its replies.
class Communication {
public:
    inline static const std::string kBridgeDescription = "FT230X Basic UART";
    inline static const std::string kPedalName = "Corvid MK3";
    inline static const std::string kNoReply = "No reply from the pedal";
    inline static const std::string kDisconnected = "The pedal was disconnected";
    inline static const std::string kMalformedReply = "Malformed reply from the pedal";
    static constexpr std::size_t kDeviceInfoValues = deviceinfo::Values;
    static constexpr int kFirstByteLimitMs = 2000;
    static constexpr int kIdleGapMs = 100;
    static constexpr int kDeviceInfoPauseMs = 200;

    // The versions of each device-information reply are recorded in `state`.
    Communication(D2XXUnit& unit, Log& log, Dialogs& dialogs, Clock& clock, ConnectionView& view,
                  PedalState& state)
        : unit_(unit), log_(log), dialogs_(dialogs), clock_(clock), view_(view), state_(state) {}

    void SetDefaultPortSettings();
    // Silent detection at start-up: no log line and no message box of its own.
    void DetectDevice();
    void ScanDevices();
    // Opens the last device seen by a scan or the detection; true when it was opened.
    bool ConnectDevice();
    // Closes the device; true when it was closed (a failure has been shown).
    bool DisconnectDevice();
    // The open device went away: the port is released, the window shows no device (as after a
    // Disconnect) and "The pedal was disconnected" is shown.
    void DeviceLost();
    // The device watch, about once a second: while a device is open and idle, a look at its
    // queue (a vanished port fails it); while none is open, a bridge that has appeared since the
    // last look is detected as at start-up and logged. Quiet otherwise.
    void WatchForDevice();
    // Drops whatever an earlier exchange left queued, so it cannot be read as this one's reply.
    void DiscardStaleReply();

    // Sends a command's message text, n being the command's length.
    bool SendCommand(const PedalCommand& command, const std::string& text,
                     bool purgeTransmit = false);
    // Converts the hex text into the first n bytes of ftTransmitBuffer and writes them, purging
    // the driver's transmit queue first when asked. A text that does not convert into n whole
    // bytes is refused and nothing is sent. True when all n bytes were written.
    bool SendHexMessage(const std::string& text, std::size_t n, bool purgeTransmit = false);
    // The DSP parameter write, logged: prefix, 16-bit address, 32-bit value. True when it went
    // out whole.
    bool WriteToDSP(const std::string& prefix, std::uint16_t address, std::uint32_t value);
    // The two bytes 0D 00 that go before a bulk upload; true when they went out.
    bool SendPreUploadMessage();

    // Waits up to limitMs for the pedal's first byte, waking when the driver signals data. False
    // when the queue query failed or the time ran out ("No reply from the pedal" shown and
    // logged, unless the caller handles silence itself).
    bool WaitForData(int limitMs, bool reportSilence = true);
    // Collects the bytes of this exchange across as many reads as it takes.
    std::vector<std::uint8_t> ReadExchange(const ReplyEnd& end);
    // Waits for, reads and parses a reply of decimal lines into replyBytes. True when a
    // well-formed reply was parsed; lastReplyValueCount then holds its number of values.
    bool ReceiveReply(const ReplyEnd& end, int firstByteLimitMs = kFirstByteLimitMs);
    // Reads a one-byte reply (the bootloader's), awaited limitMs; nullopt when none came.
    std::optional<std::uint8_t> ReceiveByte(int limitMs);
    // Parses the bytes of one reply into replyBytes and logs them.
    bool ParseReply(const std::vector<std::uint8_t>& bytes);
    // Asks for the device information and shows the versions. True when all 81 values came.
    bool RequestDeviceInfo();
    // Asks for the device information without showing anything when none comes (a pedal that
    // is restarting): the firmware version of a whole reply within `limitMs`, or nullopt.
    std::optional<std::uint8_t> ProbeFirmwareVersion(int limitMs);

    bool DeviceOpen() const { return unit_.deviceOpen && !unit_.deviceGone; }

    // A job holds the link from its first message to its last: the device watch leaves the
    // port alone meanwhile and the session starts no second job. A job begun inside a running
    // one (a restore's read-back) is part of it.
    bool Busy() const { return jobDepth_ > 0; }
    class Job {
    public:
        explicit Job(Communication& c) : c_(c) {
            if (c_.jobDepth_++ == 0) {
                c_.StartOperation();
            }
        }
        ~Job() { --c_.jobDepth_; }
        Job(const Job&) = delete;
        Job& operator=(const Job&) = delete;

    private:
        Communication& c_;
    };

    std::string deviceSerialNumber;
    // The device label as the main window shows it.
    std::string deviceLabel = "No device found";
    bool firmwareUpgradeMode = false;
    std::vector<std::uint8_t> replyBytes;
    std::size_t lastReplyValueCount = 0;
    // The bytes of the last reply awaited, as they came (none: silence), for telling what
    // answered; nullopt when the request did not go out.
    std::optional<std::vector<std::uint8_t>> lastReplyRaw;
    bool replyLogWithAddress = false;
    std::uint16_t replyLogBaseAddress = 0;

private:
    void Report(const std::string& text);
    void ShowDeviceLabel(const std::string& text);
    // A new operation of the user's: a pedal lost before it is as if never connected, so its
    // calls fail with their own messages instead of silently.
    void StartOperation();
    void RemoveConnectedFromLabel();

    D2XXUnit& unit_;
    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
    ConnectionView& view_;
    PedalState& state_;
    int jobDepth_ = 0;
    // Devices the watch saw last time.
    std::uint32_t watchedCount_ = 0;
};

} // namespace corvid
