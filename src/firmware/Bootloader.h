#pragma once

#include "base/Services.h"
#include "link/Communication.h"
#include "link/D2XXUnit.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// The bytes and addresses of the pedal's serial bootloader (ST's AN3155 protocol), named once.
namespace bootloader {
inline constexpr std::uint8_t Sync = 0x7F;
inline constexpr std::uint8_t Ack = 0x79;
inline constexpr std::uint8_t Nack = 0x1F;
inline constexpr std::array<std::uint8_t, 2> WriteMemory = {0x31, 0xCE};
inline constexpr std::array<std::uint8_t, 2> ReadMemory = {0x11, 0xEE};
inline constexpr std::array<std::uint8_t, 2> EraseMemory = {0x43, 0xBC};
inline constexpr std::array<std::uint8_t, 2> GlobalErase = {0xFF, 0x00};
inline constexpr std::array<std::uint8_t, 2> Go = {0x21, 0xDE};
inline constexpr std::array<std::uint8_t, 2> Get = {0x00, 0xFF};
inline constexpr std::array<std::uint8_t, 2> GetId = {0x02, 0xFD};
// The pedal's chip, as Get ID names it: 128 KiB of flash, 20 KiB of RAM.
inline constexpr std::uint16_t ProductId = 0x0410;
// D2XX's parity codes: the bootloader's own framing is 8 data bits, even parity, 1 stop bit.
inline constexpr std::uint8_t NoParity = 0;
inline constexpr std::uint8_t EvenParity = 2;
inline constexpr std::uint32_t FlashBase = 0x08000000;
inline constexpr std::uint32_t FlashSize = 128 * 1024;
inline constexpr std::uint32_t VersionRecordAddress = 0x0801FC00;
inline constexpr std::size_t BlockSize = 256;

// Pacing on the compatible path: at 8N1 every byte goes alone with a pause after (or before)
// it, kept to a schedule from the first byte; a late pause is made up, but never below the gap.
inline constexpr int BytePauseMs = 1;
inline constexpr std::int64_t MinByteGapUs = 500;
// How long Get's answer may take to start when probing the fast path, and an answer to 0x7F
// when asking a silent pedal whether its bootloader listens.
inline constexpr int ProbeLimitMs = 500;
inline constexpr int ReplyPauseMs = 20;
inline constexpr int GoReplyPauseMs = 100;
// How long a reply may take; a global erase of the whole flash takes far longer.
inline constexpr int ReplyLimitMs = 5000;
inline constexpr int EraseLimitMs = 40000;
// A synchronised bootloader is silent on 0x7F; after this long, one more 0x7F is sent.
inline constexpr int SyncRetryMs = 1000;
} // namespace bootloader

// How the run talks to the bootloader: its own framing (8E1, every step's bytes in one write) or
// 8N1 with a pause after every byte, which any bootloader receives.
enum class BootloaderPath { Compatible, Fast };
// "fast (8E1)" or "compatible (8N1, paced)".
std::string PathText(BootloaderPath path);

// The XOR of an address's four bytes.
std::uint8_t AddressChecksum(std::uint32_t address);
// The count byte XOR every data byte.
std::uint8_t DataChecksum(const std::vector<std::uint8_t>& block, std::uint8_t count);

// What the main window shows of the bootloader.
class BootloaderView {
public:
    virtual ~BootloaderView() = default;
    // Synchronised: Start Firmware Upgrade on; Request and Upload Selected off.
    virtual void ShowBootloaderReady() = 0;
    // The upgrade is done: Upgrade Mode unticked; Request and Upload Selected on again.
    virtual void ShowUpgradeModeOff() = 0;
};

// One answer of the bootloader.
struct BootloaderReply {
    enum class Kind { Ack, Nack, NoReply, Other };
    Kind kind = Kind::NoReply;
    // The byte received (none for NoReply).
    std::uint8_t byte = 0;

    static BootloaderReply Of(std::optional<std::uint8_t> received);
    // "NACK", "no reply", or the byte as two hex digits (ACK: "79").
    std::string Describe() const;
    bool operator==(const BootloaderReply&) const = default;
};

// A step the bootloader did not acknowledge: what it was and what came back.
struct BootloaderRefusal {
    std::string step;
    // "NACK", "no reply", "not sent", or the reply's first byte as two hex digits.
    std::string reply;
    // The bootloader refused the data of the very first block.
    bool firstBlockRefused = false;
};

// The host side of the bootloader protocol: synchronisation, global erase, Write Memory in
// blocks, the version record, Go, and Read Memory for a check. Every reply is checked: a step
// that is not acknowledged returns false with `refusal` saying which and why.
class Bootloader {
public:
    Bootloader(Communication& link, D2XXUnit& unit, Log& log, Dialogs& dialogs, Clock& clock,
               BootloaderView& view)
        : link_(link), unit_(unit), log_(log), dialogs_(dialogs), clock_(clock), view_(view) {}

    // The last step of Connect in upgrade mode. True when the bootloader listens.
    bool BootloaderSync();
    // A pedal that did not answer the pedal's own Request as the pedal does (silence, or only
    // ACK and NACK bytes): asks whether its bootloader listens instead (an upgrade that did not
    // finish). Sends 0x7F only then; a running pedal that answered, or a Request that never
    // went out (nullopt), is never probed.
    bool WaitsInBootloader(const std::optional<std::vector<std::uint8_t>>& requestReply);
    // After the synchronisation: the port is set to 8E1 and Get sent; an answer as AN3155 gives
    // it (ACK, count, version, the commands, ACK) means the fast path. Anything else: 8N1 again,
    // synchronised again, the compatible path. `pacedOnly` skips the probe.
    BootloaderPath ChoosePath();
    // One reply, logged; NoReply when none came within limitMs.
    BootloaderReply ReadBootloaderReply(int limitMs = bootloader::ReplyLimitMs);
    // Get ID: the product ID the bootloader names, or nullopt with `refusal` set.
    std::optional<std::uint16_t> GetProductId();
    bool SendEraseCommand();
    // Write Memory's command and address phases for currentFlashAddress.
    bool SendWriteCommand(const std::string& step);
    // Writes the blocks from the flash base up; progress(i, blocks) runs as block i starts.
    bool WriteFirmwareChunks(const std::vector<std::vector<std::uint8_t>>& chunkData,
                             const JobProgress& progress);
    // Seven zero bytes and the version at the version record address.
    bool WriteVersionRecord(int version);
    bool SendGoCommand();
    // Reads `size` bytes from address with Read Memory (for checking what was written).
    std::optional<std::vector<std::uint8_t>> ReadMemory(std::uint32_t address, std::size_t size);

    // The pedal went away during the run (its own message has been shown).
    bool LinkLost() const { return unit_.deviceGone; }
    // After Go the pedal's own firmware answers, at 8N1 (the fast path left the port at 8E1).
    void Restarted();

    std::uint32_t currentFlashAddress = bootloader::FlashBase;
    BootloaderRefusal refusal;
    BootloaderPath path = BootloaderPath::Compatible;
    // Always the compatible path (corvid-cli flash --paced).
    bool pacedOnly = false;

private:
    // Writes one byte alone; false when the driver did not take it.
    bool WriteByte(std::uint8_t byte);
    // The bytes of one step: on the fast path in one write, else each followed by the byte
    // pause. False (and the rest unsent) when one was not taken.
    bool WriteBytesPaced(const std::vector<std::uint8_t>& bytes);
    // The pause before a reply is read; the fast path only waits for the reply itself.
    void ReplyPause(int ms);
    // 0x7F, and once more after a silence (an already synchronised bootloader NACKs the pair).
    bool Synchronise();
    // Get sent and its answer checked; the fast path's test.
    bool GetAnswered();
    // The port's parity, quietly: false when the port refuses it.
    bool SetParity(std::uint8_t parity);
    // A step whose bytes the driver did not take: recorded as refused, nothing more is sent.
    bool NotSent(const std::string& step);
    // The reply after a step: true on ACK, else the refusal is recorded.
    bool Acknowledged(const std::string& step, int limitMs = bootloader::ReplyLimitMs);
    bool SendAddress(std::uint32_t address);

    Communication& link_;
    D2XXUnit& unit_;
    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
    BootloaderView& view_;
};

} // namespace corvid
