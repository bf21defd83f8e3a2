#include "link/Communication.h"

#include "link/HexMessage.h"
#include "link/ReplyParser.h"

#include <algorithm>

namespace corvid {

void Communication::SetDefaultPortSettings() {
    unit_.ftBaudRate = 115200;
    unit_.ftWordLength = 8;
    unit_.ftStopBits = 0;
    unit_.ftParity = 0;
}

void Communication::DetectDevice() {
    unit_.GetFTDeviceCount();
    watchedCount_ = unit_.ftDeviceCount;
    // Each detection lists the bridges present now, each once.
    std::string serials;
    for (std::uint32_t index = 0; index < unit_.ftDeviceCount; ++index) {
        unit_.GetFTDeviceSerialNo(index);
        serials += unit_.ftDeviceString;
        deviceSerialNumber = unit_.ftDeviceString;
        unit_.GetFTDeviceDescription(index);
        ShowDeviceLabel(unit_.ftDeviceString == kBridgeDescription ? kPedalName
                                                                   : unit_.ftDeviceString);
    }
    view_.ShowSerialNumbers(serials);
}

void Communication::ScanDevices() {
    ShowDeviceLabel("Device Name");
    unit_.GetFTDeviceCount();
    log_.PrintToConsole("FT device count: " + std::to_string(unit_.ftDeviceCount));
    if (unit_.ftDeviceCount == 0) {
        dialogs_.ShowMessage("No device found");
        ShowDeviceLabel("No device found");
        return;
    }
    for (std::uint32_t index = 0; index < unit_.ftDeviceCount; ++index) {
        unit_.GetFTDeviceSerialNo(index);
        log_.PrintToConsole("FT_Device_String: " + unit_.ftDeviceString);
        deviceSerialNumber = unit_.ftDeviceString;
        unit_.GetFTDeviceDescription(index);
        ShowDeviceLabel(unit_.ftDeviceString);
        dialogs_.ShowMessage(unit_.ftDeviceString + " found, click Connect");
    }
}

bool Communication::ConnectDevice() {
    log_.PrintToConsole("serial number: " + deviceSerialNumber);
    if (unit_.Open_USB_Device_By_Serial_Number(deviceSerialNumber) != ft::OK) {
        return false;
    }
    ShowDeviceLabel(deviceLabel + " connected");
    unit_.SetFTBaudRate();
    unit_.SetFTDataCharacteristics();
    log_.PrintToConsole("FT_HANDLE: 0x" + HexField(unit_.ftHandle, 8));
    log_.PlainLine("baud rate = " + std::to_string(unit_.ftBaudRate));
    view_.ShowDeviceOpened();
    return true;
}

void Communication::RemoveConnectedFromLabel() {
    std::string label = deviceLabel;
    for (std::size_t at = label.find("connected"); at != std::string::npos;
         at = label.find("connected")) {
        label.erase(at, std::string("connected").size());
    }
    ShowDeviceLabel(label);
}

bool Communication::DisconnectDevice() {
    if (unit_.CloseFTDevice() != ft::OK) {
        return false;
    }
    RemoveConnectedFromLabel();
    view_.ShowDeviceClosed();
    return true;
}

void Communication::DeviceLost() {
    // A vanished port closes without complaint; nothing else reaches it until the next open.
    unit_.quiet = true;
    unit_.CloseFTDevice();
    unit_.quiet = false;
    RemoveConnectedFromLabel();
    view_.ShowDeviceClosed();
    watchedCount_ = 0;
    Report(kDisconnected);
}

void Communication::WatchForDevice() {
    if (Busy()) {
        return;
    }
    if (unit_.deviceOpen) {
        // Idle: a look at the queue is how a vanished port shows itself. The user asked for
        // nothing, so only "The pedal was disconnected" is shown, not the query's failure.
        if (!unit_.deviceGone) {
            unit_.quiet = true;
            unit_.GetFTQueueStatus();
            unit_.quiet = false;
        }
        return;
    }
    unit_.quiet = true;
    const bool listed = unit_.GetFTDeviceCount() == ft::OK;
    unit_.quiet = false;
    const std::uint32_t count = listed ? unit_.ftDeviceCount : 0;
    if (count > watchedCount_) {
        unit_.quiet = true;
        DetectDevice();
        unit_.quiet = false;
        log_.PrintToConsole("device found: " + deviceLabel + " (" + deviceSerialNumber + ")");
    }
    watchedCount_ = count;
}

void Communication::DiscardStaleReply() {
    unit_.DiscardQueuedBytes();
}

void Communication::ShowDeviceLabel(const std::string& text) {
    deviceLabel = text;
    view_.SetDeviceLabel(text);
}

void Communication::Report(const std::string& text) {
    dialogs_.ShowMessage(text);
    log_.PrintToConsole(text);
}

void Communication::StartOperation() {
    if (unit_.deviceGone && !unit_.deviceOpen) {
        unit_.deviceGone = false;
    }
}

bool Communication::SendHexMessage(const std::string& text, std::size_t n, bool purgeTransmit) {
    if (!Busy()) {
        StartOperation();
    }
    n = std::min(n, D2XXUnit::kBufferSize);
    if (HexToBytes(text, unit_.ftTransmitBuffer.data(), n) != n) {
        // Half a message would leave the pedal waiting for bytes that were never meant for it.
        Report("Not a valid hexadecimal message: " + text);
        return false;
    }
    if (purgeTransmit) {
        unit_.PurgeFTTransmit();
    }
    return unit_.WriteFTDevice(n) == n;
}

bool Communication::SendCommand(const PedalCommand& command, const std::string& text,
                                bool purgeTransmit) {
    return SendHexMessage(text, command.length, purgeTransmit);
}

bool Communication::WriteToDSP(const std::string& prefix, std::uint16_t address,
                               std::uint32_t value) {
    const std::string text = prefix + DspWriteFields(address, value);
    const std::size_t n = (text.size() / 2) & 0xFF;
    log_.PrintToConsole("write to DSP msg: " + text);
    return SendHexMessage(text, n);
}

bool Communication::SendPreUploadMessage() {
    return SendCommand(command::PreUpload, CommandWithZero(command::PreUpload));
}

bool Communication::WaitForData(int limitMs, bool reportSilence) {
    const std::int64_t start = clock_.NowMs();
    for (;;) {
        if (unit_.GetFTQueueStatus() != ft::OK) {
            return false;
        }
        if (unit_.ftQueueBytes > 0) {
            return true;
        }
        const std::int64_t waited = clock_.NowMs() - start;
        if (waited >= limitMs) {
            if (reportSilence) {
                Report(kNoReply);
            }
            return false;
        }
        clock_.Wait(static_cast<int>(limitMs - waited));
    }
}

std::vector<std::uint8_t> Communication::ReadExchange(const ReplyEnd& end) {
    std::vector<std::uint8_t> bytes;
    ReplyValueCounter counter;
    const std::int64_t start = clock_.NowMs();
    std::int64_t lastByteAt = start;
    for (;;) {
        if (end.limitMs > 0 && clock_.NowMs() - start >= end.limitMs) {
            break;
        }
        FtStatus status = ft::OK;
        const std::uint32_t count = unit_.ReadFTDevice(&status);
        if (status != ft::OK) {
            break;
        }
        if (count > 0) {
            const std::uint8_t* first = unit_.ftReceiveBuffer.data();
            bytes.insert(bytes.end(), first, first + count);
            counter.Feed(first, count);
            lastByteAt = clock_.NowMs();
            if (end.progress) {
                end.progress(counter.Count(), end.values);
            }
            if ((end.values > 0 && counter.Count() >= end.values) ||
                (end.bytes > 0 && bytes.size() >= end.bytes)) {
                break;
            }
            continue;
        }
        const std::int64_t now = clock_.NowMs();
        const std::int64_t idle = now - lastByteAt;
        if (idle >= end.idleMs) {
            break;
        }
        std::int64_t wait = end.idleMs - idle;
        if (end.limitMs > 0) {
            wait = std::min<std::int64_t>(wait, end.limitMs - (now - start));
        }
        clock_.Wait(static_cast<int>(std::max<std::int64_t>(wait, 1)));
    }
    return bytes;
}

bool Communication::ParseReply(const std::vector<std::uint8_t>& bytes) {
    const ParsedReply parsed = ParseReplyBytes(bytes.data(), bytes.size());
    if (parsed.error) {
        dialogs_.ShowMessage(kMalformedReply);
        log_.PrintToConsole(kMalformedReply + " (" + *parsed.error +
                            "): " + BytesToHex(bytes.data(), bytes.size(), " "));
        return false;
    }
    if (!parsed.values.empty()) {
        replyBytes = parsed.values;
    }
    lastReplyValueCount = parsed.values.size();
    log_.PrintToConsole("num of bytes received: " + std::to_string(parsed.values.size()));
    for (std::size_t k = 0; k < parsed.values.size(); ++k) {
        const std::size_t index = replyLogWithAddress ? replyLogBaseAddress + k : k;
        log_.PrintToConsole(std::to_string(index) + ":    " + HexField(parsed.values[k], 2));
    }
    return true;
}

bool Communication::ReceiveReply(const ReplyEnd& end, int firstByteLimitMs) {
    lastReplyValueCount = 0;
    lastReplyRaw.emplace();
    if (!WaitForData(firstByteLimitMs)) {
        return false;
    }
    unit_.PurgeFTTransmit();
    const std::vector<std::uint8_t> bytes = ReadExchange(end);
    lastReplyRaw = bytes;
    const bool parsed = ParseReply(bytes);
    unit_.PurgeFTReceive();
    return parsed;
}

std::optional<std::uint8_t> Communication::ReceiveByte(int limitMs) {
    if (!WaitForData(limitMs, false)) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes = ReadExchange({.bytes = 1, .idleMs = kIdleGapMs});
    log_.PrintToConsole("num of bytes received: " + std::to_string(bytes.size()));
    unit_.PurgeFTReceive();
    if (bytes.empty()) {
        return std::nullopt;
    }
    return bytes.front();
}

bool Communication::RequestDeviceInfo() {
    lastReplyRaw.reset();
    DiscardStaleReply();
    if (!SendCommand(command::DeviceInfo, CommandWithZero(command::DeviceInfo), true)) {
        return false;
    }
    clock_.Sleep(kDeviceInfoPauseMs);
    if (!ReceiveReply({.values = kDeviceInfoValues, .idleMs = kFirstByteLimitMs})) {
        return false;
    }
    const std::size_t count = lastReplyValueCount;
    if (count > deviceinfo::EffectNumber) {
        PedalVersions& versions = state_.versions;
        versions.firmware = HexField(replyBytes[deviceinfo::FirmwareVersion], 2);
        view_.SetFirmwareVersionLabel("Firmware Version: " + versions.firmware);
        log_.PrintToConsole("Firmware Version: " + versions.firmware);
        versions.algorithm = HexField(replyBytes[deviceinfo::AlgorithmVersion], 2) +
                             HexField(replyBytes[deviceinfo::AlgorithmVersion + 1], 2);
        log_.PrintToConsole("Algorithm version: " + versions.algorithm);
        versions.effect = HexField(replyBytes[deviceinfo::EffectNumber], 2);
        log_.PrintToConsole("Effect Number: " + versions.effect);
    }
    if (count < kDeviceInfoValues) {
        Report("Incomplete reply from the pedal: " + std::to_string(count) + " of " +
               std::to_string(kDeviceInfoValues) + " values");
        return false;
    }
    return true;
}

std::optional<std::uint8_t> Communication::ProbeFirmwareVersion(int limitMs) {
    DiscardStaleReply();
    if (!SendCommand(command::DeviceInfo, CommandWithZero(command::DeviceInfo), true) ||
        !WaitForData(limitMs, false)) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes =
        ReadExchange({.values = kDeviceInfoValues, .idleMs = kIdleGapMs, .limitMs = limitMs});
    unit_.PurgeFTReceive();
    const ParsedReply parsed = ParseReplyBytes(bytes.data(), bytes.size());
    if (parsed.error || parsed.values.size() != kDeviceInfoValues) {
        log_.PrintToConsole("no whole device information yet (" +
                            std::to_string(parsed.values.size()) + " values)");
        return std::nullopt;
    }
    return parsed.values[deviceinfo::FirmwareVersion];
}

} // namespace corvid
