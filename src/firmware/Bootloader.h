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
inline constexpr std::uint32_t FlashBase = 0x08000000;
inline constexpr std::uint32_t FlashSize = 128 * 1024;
inline constexpr std::uint32_t VersionRecordAddress = 0x0801FC00;
inline constexpr std::size_t BlockSize = 256;

// Pacing: the link stays at 8N1, so every byte goes alone with a pause after (or before) it.
inline constexpr int BytePauseMs = 1;
inline constexpr int ReplyPauseMs = 20;
inline constexpr int GoReplyPauseMs = 100;
// How long a reply may take; a global erase of the whole flash takes far longer.
inline constexpr int ReplyLimitMs = 5000;
inline constexpr int EraseLimitMs = 40000;
// A synchronised bootloader is silent on 0x7F; after this long, one more 0x7F is sent.
inline constexpr int SyncRetryMs = 1000;
} // namespace bootloader

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
    // One reply, logged; NoReply when none came within limitMs.
    BootloaderReply ReadBootloaderReply(int limitMs = bootloader::ReplyLimitMs);
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

    std::uint32_t currentFlashAddress = bootloader::FlashBase;
    BootloaderRefusal refusal;

private:
    // Writes one byte alone; false when the driver did not take it.
    bool WriteByte(std::uint8_t byte);
    // Each byte followed by the byte pause; false (and the rest unsent) when one was not taken.
    bool WriteBytesPaced(const std::vector<std::uint8_t>& bytes);
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
