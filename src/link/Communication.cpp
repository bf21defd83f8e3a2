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
    for (std::uint32_t index = 0; index < unit_.ftDeviceCount; ++index) {
        unit_.GetFTDeviceSerialNo(index);
        view_.AppendSerialNumberMenu(unit_.ftDeviceString);
        deviceSerialNumber = unit_.ftDeviceString;
        unit_.GetFTDeviceDescription(index);
        view_.SetDeviceLabel(unit_.ftDeviceString == kBridgeDescription ? kPedalName
                                                                        : unit_.ftDeviceString);
    }
}

void Communication::ScanDevices() {
    view_.SetDeviceLabel("Device Name");
    unit_.GetFTDeviceCount();
    log_.PrintToConsole("FT device count: " + std::to_string(unit_.ftDeviceCount));
    if (unit_.ftDeviceCount == 0) {
        dialogs_.ShowMessage("No device found");
        view_.SetDeviceLabel("No device found");
        return;
    }
    for (std::uint32_t index = 0; index < unit_.ftDeviceCount; ++index) {
        unit_.GetFTDeviceSerialNo(index);
        log_.PrintToConsole("FT_Device_String: " + unit_.ftDeviceString);
        deviceSerialNumber = unit_.ftDeviceString;
        unit_.GetFTDeviceDescription(index);
        view_.SetDeviceLabel(unit_.ftDeviceString);
        dialogs_.ShowMessage(unit_.ftDeviceString + " found, click Connect");
    }
}

bool Communication::ConnectDevice() {
    log_.PrintToConsole("serial number: " + deviceSerialNumber);
    if (unit_.Open_USB_Device_By_Serial_Number(deviceSerialNumber) != ft::OK) {
        return false;
    }
    view_.SetDeviceLabel(view_.DeviceLabel() + " connected");
    unit_.SetFTBaudRate();
    unit_.SetFTDataCharacteristics();
    log_.PrintToConsole("FT_HANDLE: 0x" + HexField(unit_.ftHandle, 8));
    log_.PlainLine("baud rate = " + std::to_string(unit_.ftBaudRate));
    view_.ShowDeviceOpened();
    return true;
}

void Communication::Report(const std::string& text) {
    dialogs_.ShowMessage(text);
    log_.PrintToConsole(text);
}

bool Communication::SendHexMessage(const std::string& text, std::size_t n, bool purgeTransmit) {
    n = std::min(n, D2XXUnit::kBufferSize);
    if (HexToBytes(text, unit_.ftTransmitBuffer.data(), n) != n) {
        // Half a message would leave the pedal waiting for bytes that were never meant for it.
        Report("Not a valid hexadecimal message: " + text);
        return false;
    }
    if (purgeTransmit) {
        unit_.PurgeFTTransmit();
    }
    unit_.WriteFTDevice(n);
    return true;
}

void Communication::WriteToDSP(const std::string& prefix, std::uint16_t address,
                               std::uint32_t value) {
    const std::string text = prefix + HexField(address, 4) + HexField(value, 8);
    const std::size_t n = (text.size() / 2) & 0xFF;
    log_.PrintToConsole("write to DSP msg: " + text);
    SendHexMessage(text, n);
}

void Communication::SendPreUploadMessage() {
    SendHexMessage("0D00", 2);
}

bool Communication::WaitForData(int limitMs) {
    const std::int64_t start = clock_.NowMs();
    for (;;) {
        if (unit_.GetFTQueueStatus() != ft::OK) {
            return false;
        }
        if (unit_.ftQueueBytes > 0) {
            return true;
        }
        if (clock_.NowMs() - start >= limitMs) {
            Report(kNoReply);
            return false;
        }
        clock_.Poll(kPollMs);
    }
}

std::vector<std::uint8_t> Communication::ReadExchange(const ReplyEnd& end) {
    std::vector<std::uint8_t> bytes;
    ReplyValueCounter counter;
    std::int64_t lastByteAt = clock_.NowMs();
    for (;;) {
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
            if ((end.values > 0 && counter.Count() >= end.values) ||
                (end.bytes > 0 && bytes.size() >= end.bytes)) {
                break;
            }
        } else if (clock_.NowMs() - lastByteAt >= end.idleMs) {
            break;
        }
        clock_.Poll(end.readPauseMs);
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
    if (!WaitForData(firstByteLimitMs)) {
        return false;
    }
    unit_.PurgeFTTransmit();
    const std::vector<std::uint8_t> bytes = ReadExchange(end);
    const bool parsed = ParseReply(bytes);
    unit_.PurgeFTReceive();
    return parsed;
}

std::string Communication::ReceiveReplyText() {
    if (!WaitForData(firmwareUpgradeMode ? kBootloaderLimitMs : kFirstByteLimitMs)) {
        return {};
    }
    // The bootloader answers with one byte; anything else is text that ends with a pause.
    const std::vector<std::uint8_t> bytes =
        firmwareUpgradeMode ? ReadExchange({.bytes = 1, .idleMs = kIdleGapMs, .readPauseMs = 1})
                            : ReadExchange({.idleMs = kIdleGapMs, .readPauseMs = 100});
    log_.PrintToConsole("num of bytes received: " + std::to_string(bytes.size()));
    unit_.PurgeFTReceive();
    if (firmwareUpgradeMode) {
        return bytes.empty() ? std::string() : BytesToHex(bytes.data(), 1);
    }
    return {bytes.begin(), bytes.end()};
}

bool Communication::RequestDeviceInfo() {
    if (!SendHexMessage("0200", 2, true)) {
        return false;
    }
    clock_.Sleep(200);
    if (!ReceiveReply({.values = kDeviceInfoValues, .idleMs = kFirstByteLimitMs})) {
        return false;
    }
    const std::size_t count = lastReplyValueCount;
    if (count >= 4) {
        firmwareVersionText = HexField(replyBytes[0], 2);
        view_.SetFirmwareVersionLabel("Firmware Version: " + firmwareVersionText);
        log_.PrintToConsole("Firmware Version: " + firmwareVersionText);
        algorithmVersionText = HexField(replyBytes[1], 2) + HexField(replyBytes[2], 2);
        log_.PrintToConsole("Algorithm version: " + algorithmVersionText);
        effectNumberText = HexField(replyBytes[3], 2);
        log_.PrintToConsole("Effect Number: " + effectNumberText);
    }
    if (count < kDeviceInfoValues) {
        Report("Incomplete reply from the pedal: " + std::to_string(count) + " of " +
               std::to_string(kDeviceInfoValues) + " values");
        return false;
    }
    return true;
}

} // namespace corvid
