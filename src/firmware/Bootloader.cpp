#include "firmware/Bootloader.h"

#include "link/HexMessage.h"

#include <algorithm>
#include <utility>

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

BootloaderReply BootloaderReply::Of(std::optional<std::uint8_t> received) {
    if (!received) {
        return {};
    }
    const Kind kind = *received == Ack ? Kind::Ack : *received == Nack ? Kind::Nack : Kind::Other;
    return {kind, *received};
}

std::string BootloaderReply::Describe() const {
    switch (kind) {
    case Kind::Nack:
        return "NACK";
    case Kind::NoReply:
        return "no reply";
    case Kind::Ack:
    case Kind::Other:
        break;
    }
    return HexField(byte, 2);
}

std::string PathText(BootloaderPath path) {
    return path == BootloaderPath::Fast ? "fast (8E1)" : "compatible (8N1, paced)";
}

bool Bootloader::WriteBytesPaced(const std::vector<std::uint8_t>& bytes) {
    if (path == BootloaderPath::Fast) {
        std::copy(bytes.begin(), bytes.end(), unit_.ftTransmitBuffer.begin());
        return unit_.WriteFTDevice(bytes.size()) == bytes.size();
    }
    // Byte i leaves at i pauses from the first, so pauses that overrun do not add up.
    const std::int64_t start = clock_.NowUs();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!WriteByte(bytes[i])) {
            return false;
        }
        const std::int64_t now = clock_.NowUs();
        const std::int64_t due = start + static_cast<std::int64_t>(i + 1) * BytePauseMs * 1000;
        clock_.SleepUs(std::max(due - now, MinByteGapUs));
    }
    return true;
}

void Bootloader::ReplyPause(int ms) {
    if (path == BootloaderPath::Compatible) {
        clock_.Sleep(ms);
    }
}

void Bootloader::Restarted() {
    SetParity(NoParity);
    path = BootloaderPath::Compatible;
}

bool Bootloader::SetParity(std::uint8_t parity) {
    const bool quiet = std::exchange(unit_.quiet, true);
    unit_.ftParity = parity;
    const bool set = unit_.SetFTDataCharacteristics() == ft::OK;
    unit_.quiet = quiet;
    return set;
}

bool Bootloader::GetAnswered() {
    log_.PrintToConsole("SEND GET COMMAND");
    std::copy(Get.begin(), Get.end(), unit_.ftTransmitBuffer.begin());
    if (unit_.WriteFTDevice(Get.size()) != Get.size()) {
        return false;
    }
    // ACK, the count N, the version and N command codes, ACK: all of it, until a pause.
    if (!link_.WaitForData(ProbeLimitMs, false)) {
        log_.PrintToConsole("Get: no reply");
        return false;
    }
    const std::vector<std::uint8_t> answer =
        link_.ReadExchange({.idleMs = ReplyPauseMs, .limitMs = ProbeLimitMs});
    log_.PrintToConsole("Get: " + BytesToHex(answer.data(), answer.size(), " "));
    return answer.size() >= 4 && answer.front() == Ack && answer.size() == answer[1] + 4u &&
           answer.back() == Ack;
}

BootloaderPath Bootloader::ChoosePath() {
    path = BootloaderPath::Compatible;
    if (pacedOnly) {
        log_.PrintToConsole("bootloader path: " + PathText(path) + ", as asked");
        return path;
    }
    if (!SetParity(EvenParity)) {
        SetParity(NoParity);
        log_.PrintToConsole("the port does not take 8E1");
    } else if (GetAnswered()) {
        path = BootloaderPath::Fast;
    } else {
        // Whatever the bootloader made of it, it is spoken to as before: 8N1, synchronised.
        SetParity(NoParity);
        unit_.PurgeFTReceive();
        if (!Synchronise()) {
            dialogs_.ShowMessage("Connection to bootloader failed");
        }
    }
    log_.PrintToConsole("bootloader path: " + PathText(path));
    return path;
}

bool Bootloader::NotSent(const std::string& step) {
    refusal = {step, "not sent"};
    log_.PrintToConsole("Refused: " + refusal.step + ": " + refusal.reply);
    return false;
}

BootloaderReply Bootloader::ReadBootloaderReply(int limitMs) {
    const BootloaderReply reply = BootloaderReply::Of(link_.ReceiveByte(limitMs));
    log_.PlainLine("received: " +
                   (reply.kind == BootloaderReply::Kind::NoReply ? "" : HexField(reply.byte, 2)));
    if (reply.kind == BootloaderReply::Kind::Ack) {
        log_.PlainLine("ACK");
    } else if (reply.kind == BootloaderReply::Kind::Nack) {
        log_.PlainLine("NOT ACK");
    }
    return reply;
}

bool Bootloader::Acknowledged(const std::string& step, int limitMs) {
    const BootloaderReply reply = ReadBootloaderReply(limitMs);
    if (reply.kind == BootloaderReply::Kind::Ack) {
        return true;
    }
    refusal = {step, reply.Describe()};
    log_.PrintToConsole("Refused: " + refusal.step + ": " + refusal.reply);
    return false;
}

bool Bootloader::BootloaderSync() {
    path = BootloaderPath::Compatible;
    if (!Synchronise()) {
        dialogs_.ShowMessage("Connection to bootloader failed");
        return false;
    }
    dialogs_.ShowMessage("Connection to bootloader succeeded, ready for firmware upgrade");
    view_.ShowBootloaderReady();
    return true;
}

bool Bootloader::WaitsInBootloader(const std::optional<std::vector<std::uint8_t>>& requestReply) {
    const bool bootloaderLike =
        requestReply && std::all_of(requestReply->begin(), requestReply->end(),
                                    [](std::uint8_t byte) { return byte == Ack || byte == Nack; });
    if (!bootloaderLike || !link_.DeviceOpen()) {
        return false;
    }
    log_.PrintToConsole("no answer as the pedal: does its bootloader listen?");
    // Unsynchronised it ACKs 0x7F. Within a command (the Request's bytes, or an earlier run) a
    // 0x7F is a wrong complement, or a command's first byte that a second 0x7F makes wrong: a
    // NACK says as much as an ACK. A running pedal answers neither.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!WriteByte(Sync)) {
            return false;
        }
        const BootloaderReply reply = BootloaderReply::Of(link_.ReceiveByte(ProbeLimitMs));
        log_.PlainLine("received Byte: " + (reply.kind == BootloaderReply::Kind::NoReply
                                                ? ""
                                                : HexField(reply.byte, 2)));
        if (reply.kind != BootloaderReply::Kind::NoReply) {
            return reply.kind == BootloaderReply::Kind::Ack ||
                   reply.kind == BootloaderReply::Kind::Nack;
        }
    }
    return false;
}

bool Bootloader::Synchronise() {
    using Kind = BootloaderReply::Kind;
    const auto logged = [this](const BootloaderReply& reply) {
        log_.PlainLine("received Byte: " +
                       (reply.kind == Kind::NoReply ? "" : HexField(reply.byte, 2)));
        return reply;
    };
    const bool sent = WriteByte(Sync);
    BootloaderReply reply =
        sent ? BootloaderReply::Of(link_.ReceiveByte(SyncRetryMs)) : BootloaderReply{};
    logged(reply);
    bool listening = reply.kind == Kind::Ack;
    if (sent && reply.kind == Kind::NoReply) {
        // Already synchronised (an earlier run): it took 0x7F as a command's first byte. A second
        // 0x7F is a wrong complement, which it refuses: a refusal means it listens.
        log_.PrintToConsole("no answer to 0x7F: sending it once more");
        reply = WriteByte(Sync) ? logged(BootloaderReply::Of(link_.ReceiveByte(ReplyLimitMs)))
                                : BootloaderReply{};
        listening = reply.kind == Kind::Nack || reply.kind == Kind::Ack;
        if (reply.kind == Kind::Nack) {
            log_.PrintToConsole("bootloader was already synchronised (NACK to 7F 7F)");
        }
    }
    return listening;
}

bool Bootloader::SendAddress(std::uint32_t address) {
    log_.PrintToConsole("SEND ADDRESS + CHECKSUM");
    const std::uint8_t checksum = AddressChecksum(address);
    log_.PrintToConsole("Address: " + HexField(address, 8));
    log_.PrintToConsole("address checksum: " + HexField(checksum, 2));
    return WriteBytesPaced(
        {static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
         static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), checksum});
}

bool Bootloader::SendWriteCommand(const std::string& step) {
    log_.PrintToConsole("SEND WRITE COMMAND");
    if (!WriteBytesPaced({WriteMemory[0], WriteMemory[1]})) {
        return NotSent(step + " (write command)");
    }
    ReplyPause(ReplyPauseMs);
    if (!Acknowledged(step + " (write command)")) {
        return false;
    }
    if (!SendAddress(currentFlashAddress)) {
        return NotSent(step + " (address)");
    }
    ReplyPause(ReplyPauseMs);
    return Acknowledged(step + " (address)");
}

std::optional<std::uint16_t> Bootloader::GetProductId() {
    log_.PrintToConsole("SEND GET ID COMMAND");
    if (!WriteBytesPaced({GetId.begin(), GetId.end()})) {
        NotSent("Get ID");
        return std::nullopt;
    }
    // ACK, the count (1: two bytes follow), the product ID, ACK: all of it, until a pause.
    const std::vector<std::uint8_t> answer =
        link_.WaitForData(ReplyLimitMs, false)
            ? link_.ReadExchange({.bytes = 5, .idleMs = ReplyPauseMs, .limitMs = ReplyLimitMs})
            : std::vector<std::uint8_t>{};
    log_.PrintToConsole("Get ID: " + BytesToHex(answer.data(), answer.size(), " "));
    if (answer.size() != 5 || answer[0] != Ack || answer[1] != 1 || answer[4] != Ack) {
        const BootloaderReply first = BootloaderReply::Of(
            answer.empty() ? std::nullopt : std::optional<std::uint8_t>(answer.front()));
        refusal = {"Get ID", first.kind == BootloaderReply::Kind::Ack
                                 ? BytesToHex(answer.data(), answer.size(), " ")
                                 : first.Describe()};
        log_.PrintToConsole("Refused: " + refusal.step + ": " + refusal.reply);
        return std::nullopt;
    }
    return static_cast<std::uint16_t>((answer[2] << 8) | answer[3]);
}

bool Bootloader::SendEraseCommand() {
    log_.PlainLine("Start Erase Command");
    // Here the pause comes before each byte.
    const auto send = [this](const std::array<std::uint8_t, 2>& bytes) {
        if (path == BootloaderPath::Fast) {
            return WriteBytesPaced({bytes.begin(), bytes.end()});
        }
        return std::all_of(bytes.begin(), bytes.end(), [this](std::uint8_t byte) {
            clock_.Sleep(BytePauseMs);
            return WriteByte(byte);
        });
    };
    if (!send(EraseMemory)) {
        return NotSent("erase command");
    }
    ReplyPause(ReplyPauseMs);
    if (!Acknowledged("erase command")) {
        return false;
    }
    if (!send(GlobalErase)) {
        return NotSent("global erase");
    }
    ReplyPause(ReplyPauseMs);
    // The answer comes when the whole flash is erased.
    return Acknowledged("global erase", EraseLimitMs);
}

bool Bootloader::WriteFirmwareChunks(const std::vector<std::vector<std::uint8_t>>& chunkData,
                                     const JobProgress& progress) {
    log_.PlainLine("Start Write Command");
    log_.PlainLine("");
    currentFlashAddress = FlashBase;
    for (std::size_t i = 0; i < chunkData.size(); ++i) {
        progress(i, chunkData.size());
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
        log_.PrintToConsole("chunk size: " + std::to_string(count + 1));
        const std::uint8_t checksum = DataChecksum(block, count);
        log_.PrintToConsole("data checksum: " + HexField(checksum, 2));
        // The count, the data and the checksum: at 8N1 a pause after every byte keeps the bytes
        // apart on the wire.
        std::vector<std::uint8_t> bytes;
        bytes.reserve(block.size() + 2);
        bytes.push_back(count);
        bytes.insert(bytes.end(), block.begin(), block.end());
        bytes.push_back(checksum);
        if (!WriteBytesPaced(bytes)) {
            return NotSent(step);
        }
        if (!Acknowledged(step)) {
            // The first block's data refused: the flash takes nothing (write protection).
            refusal.firstBlockRefused = i == 0 && refusal.reply == "NACK";
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
    if (!WriteBytesPaced(bytes)) {
        return NotSent(step);
    }
    ReplyPause(ReplyPauseMs);
    return Acknowledged(step);
}

bool Bootloader::SendGoCommand() {
    log_.PrintToConsole("");
    log_.PrintToConsole("SEND GO COMMAND");
    currentFlashAddress = FlashBase;
    if (!WriteBytesPaced({Go[0], Go[1]})) {
        return NotSent("Go command");
    }
    ReplyPause(GoReplyPauseMs);
    if (!Acknowledged("Go command")) {
        return false;
    }
    if (!SendAddress(currentFlashAddress)) {
        return NotSent("Go address");
    }
    ReplyPause(GoReplyPauseMs);
    return Acknowledged("Go address");
}

std::optional<std::vector<std::uint8_t>> Bootloader::ReadMemory(std::uint32_t address,
                                                                std::size_t size) {
    const std::string step = "read " + std::to_string(size) + " bytes at 0x" + HexField(address, 8);
    if (!WriteBytesPaced({bootloader::ReadMemory[0], bootloader::ReadMemory[1]})) {
        NotSent(step + " (read command)");
        return std::nullopt;
    }
    if (!Acknowledged(step + " (read command)")) {
        return std::nullopt;
    }
    if (!SendAddress(address)) {
        NotSent(step + " (address)");
        return std::nullopt;
    }
    if (!Acknowledged(step + " (address)")) {
        return std::nullopt;
    }
    const auto count = static_cast<std::uint8_t>(size - 1);
    if (!WriteBytesPaced({count, static_cast<std::uint8_t>(~count)})) {
        NotSent(step);
        return std::nullopt;
    }
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
