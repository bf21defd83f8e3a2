#include "firmware/Bootloader.h"

#include "link/HexMessage.h"

#include <algorithm>

namespace corvid {

using namespace bootloader;

std::uint8_t AddressChecksum(std::uint32_t address) {
    return static_cast<std::uint8_t>((address >> 24) ^ (address >> 16) ^ (address >> 8) ^ address);
}

std::uint8_t DataChecksum(const std::vector<std::uint8_t>& block, std::uint8_t count) {
    std::uint8_t checksum = count;
    for (std::size_t i = 0; i <= count && i < block.size(); ++i) {
        checksum ^= block[i];
    }
    return checksum;
}

bool Bootloader::WriteByte(std::uint8_t byte) {
    unit_.ftTransmitBuffer[0] = byte;
    return unit_.WriteFTDevice(1) == 1;
}

void Bootloader::WriteBytesPaced(const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t byte : bytes) {
        WriteByte(byte);
        clock_.Sleep(BytePauseMs);
    }
}

std::string Bootloader::ReadBootloaderReply(int limitMs) {
    const std::string reply = link_.ReceiveReplyText(limitMs, false);
    log_.PlainLine("received: " + reply);
    if (reply == bootloaderAck) {
        log_.PlainLine("ACK");
    } else if (reply == bootloaderNack) {
        log_.PlainLine("NOT ACK");
    }
    return reply;
}

bool Bootloader::Acknowledged(const std::string& step, int limitMs) {
    const std::string reply = ReadBootloaderReply(limitMs);
    if (reply == bootloaderAck) {
        return true;
    }
    refusal = {step, reply == bootloaderNack ? "NACK" : reply.empty() ? "no reply" : reply};
    log_.PrintToConsole("Refused: " + refusal.step + ": " + refusal.reply);
    return false;
}

bool Bootloader::BootloaderSync() {
    const bool sent = WriteByte(Sync);
    std::string reply = sent ? link_.ReceiveReplyText(SyncRetryMs, false) : std::string();
    log_.PlainLine("received Byte: " + reply);
    bool listening = reply == bootloaderAck;
    if (sent && reply.empty()) {
        // Already synchronised (an earlier run): it took 0x7F as a command's first byte. A second
        // 0x7F is a wrong complement, which it refuses: a refusal means it listens.
        log_.PrintToConsole("no answer to 0x7F: sending it once more");
        WriteByte(Sync);
        reply = link_.ReceiveReplyText(ReplyLimitMs, false);
        log_.PlainLine("received Byte: " + reply);
        listening = reply == bootloaderNack || reply == bootloaderAck;
        if (reply == bootloaderNack) {
            log_.PrintToConsole("bootloader was already synchronised (NACK to 7F 7F)");
        }
    }
    if (!listening) {
        dialogs_.ShowMessage("Connection to bootloader failed");
        return false;
    }
    dialogs_.ShowMessage("Connection to bootloader succeeded, ready for firmware upgrade");
    view_.ShowBootloaderReady();
    return true;
}

void Bootloader::SendAddress(std::uint32_t address) {
    log_.PrintToConsole("SEND ADDRESS + CHECKSUM");
    const std::uint8_t checksum = AddressChecksum(address);
    log_.PrintToConsole("Address: " + HexField(address, 8));
    log_.PrintToConsole("address checksum: " + HexField(checksum, 2));
    WriteBytesPaced(
        {static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
         static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), checksum});
}

bool Bootloader::SendWriteCommand(const std::string& step) {
    log_.PrintToConsole("SEND WRITE COMMAND");
    WriteBytesPaced({WriteMemory[0], WriteMemory[1]});
    clock_.Sleep(ReplyPauseMs);
    if (!Acknowledged(step + " (write command)")) {
        return false;
    }
    SendAddress(currentFlashAddress);
    clock_.Sleep(ReplyPauseMs);
    return Acknowledged(step + " (address)");
}

bool Bootloader::SendEraseCommand() {
    log_.PlainLine("Start Erase Command");
    for (std::uint8_t byte : EraseMemory) {
        clock_.Sleep(BytePauseMs);
        WriteByte(byte);
    }
    clock_.Sleep(ReplyPauseMs);
    if (!Acknowledged("erase command")) {
        return false;
    }
    for (std::uint8_t byte : GlobalErase) {
        clock_.Sleep(BytePauseMs);
        WriteByte(byte);
    }
    clock_.Sleep(ReplyPauseMs);
    // The answer comes when the whole flash is erased.
    return Acknowledged("global erase", EraseLimitMs);
}

bool Bootloader::WriteFirmwareChunks(const std::vector<std::vector<std::uint8_t>>& chunkData,
                                     const std::function<void(std::size_t)>& progress) {
    log_.PlainLine("Start Write Command");
    log_.PlainLine("");
    currentFlashAddress = FlashBase;
    for (std::size_t i = 0; i < chunkData.size(); ++i) {
        progress(i);
        const std::vector<std::uint8_t>& block = chunkData[i];
        const std::string step = "block " + std::to_string(i) + " of " +
                                 std::to_string(chunkData.size()) + " at 0x" +
                                 HexField(currentFlashAddress, 8);
        if (!SendWriteCommand(step)) {
            return false;
        }
        log_.PrintToConsole("SEND N BYTE + DATA + CHECKSUM");
        const auto count = static_cast<std::uint8_t>(block.size() - 1);
        log_.PrintToConsole("N_byte: " + HexField(count, 2));
        WriteByte(count);
        clock_.Sleep(BytePauseMs);
        log_.PrintToConsole("chunk size: " + std::to_string(count + 1));
        // A pause after every data byte keeps the bytes apart on the wire.
        WriteBytesPaced(block);
        const std::uint8_t checksum = DataChecksum(block, count);
        log_.PrintToConsole("data checksum: " + HexField(checksum, 2));
        WriteByte(checksum);
        clock_.Sleep(BytePauseMs);
        if (!Acknowledged(step)) {
            return false;
        }
        currentFlashAddress += count + 1u;
        log_.PrintToConsole("");
    }
    return true;
}

bool Bootloader::WriteVersionRecord(int version) {
    currentFlashAddress = VersionRecordAddress;
    const std::string step = "version record at 0x" + HexField(VersionRecordAddress, 8);
    if (!SendWriteCommand(step)) {
        return false;
    }
    const std::vector<std::uint8_t> record = {0, 0, 0, 0,
                                              0, 0, 0, static_cast<std::uint8_t>(version)};
    const auto count = static_cast<std::uint8_t>(record.size() - 1);
    // The count byte, the record and its checksum.
    std::vector<std::uint8_t> bytes(record.size() + 2);
    bytes.front() = count;
    std::copy(record.begin(), record.end(), bytes.begin() + 1);
    bytes.back() = DataChecksum(record, count);
    WriteBytesPaced(bytes);
    clock_.Sleep(ReplyPauseMs);
    return Acknowledged(step);
}

bool Bootloader::SendGoCommand() {
    log_.PrintToConsole("");
    log_.PrintToConsole("SEND GO COMMAND");
    currentFlashAddress = FlashBase;
    WriteBytesPaced({Go[0], Go[1]});
    clock_.Sleep(GoReplyPauseMs);
    if (!Acknowledged("Go command")) {
        return false;
    }
    SendAddress(currentFlashAddress);
    clock_.Sleep(GoReplyPauseMs);
    return Acknowledged("Go address");
}

std::optional<std::vector<std::uint8_t>> Bootloader::ReadMemory(std::uint32_t address,
                                                                std::size_t size) {
    const std::string step = "read " + std::to_string(size) + " bytes at 0x" + HexField(address, 8);
    WriteBytesPaced({bootloader::ReadMemory[0], bootloader::ReadMemory[1]});
    if (!Acknowledged(step + " (read command)")) {
        return std::nullopt;
    }
    SendAddress(address);
    if (!Acknowledged(step + " (address)")) {
        return std::nullopt;
    }
    const auto count = static_cast<std::uint8_t>(size - 1);
    WriteBytesPaced({count, static_cast<std::uint8_t>(~count)});
    // The ACK and the bytes come together: the ACK first.
    if (!link_.WaitForData(ReplyLimitMs, false)) {
        refusal = {step, "no reply"};
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes = link_.ReadExchange({.bytes = size + 1, .idleMs = 1000});
    unit_.PurgeFTReceive();
    if (bytes.empty() || bytes.front() != Ack || bytes.size() != size + 1) {
        refusal = {step, bytes.empty()           ? "no reply"
                         : bytes.front() == Nack ? "NACK"
                         : bytes.front() != Ack  ? HexField(bytes.front(), 2)
                                                 : std::to_string(bytes.size() - 1) + " bytes"};
        return std::nullopt;
    }
    bytes.erase(bytes.begin());
    return bytes;
}

} // namespace corvid
