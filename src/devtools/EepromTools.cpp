#include "devtools/EepromTools.h"

#include "link/HexMessage.h"
#include "link/PedalCommands.h"

#include <algorithm>
#include <cctype>

namespace corvid {

std::optional<std::uint16_t>
EepromTools::ParseAddress(const std::string& text, const std::string& field, std::string& error) {
    const bool digits =
        !text.empty() && text.size() <= 5 &&
        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    if (!digits || std::stol(text) > 0xFFFF) {
        error = field + " must be a whole number from 0 to 65535: " + text;
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(std::stol(text));
}

bool EepromTools::SetRange(const std::string& startText, const std::string& endText) {
    std::string error;
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    if (const auto parsed = ParseAddress(startText, "Start address", error)) {
        start = *parsed;
        if (const auto parsedEnd = ParseAddress(endText, "End address", error)) {
            end = *parsedEnd;
            if (start > end) {
                error = "Start address " + startText + " is after end address " + endText;
            }
        }
    }
    if (!error.empty()) {
        dialogs_.ShowMessage(error);
        return false;
    }
    startAddress = start;
    endAddress = end;
    link_.replyLogBaseAddress = startAddress;
    return true;
}

std::string EepromTools::BuildRangeMessage(const PedalCommand& command) {
    const std::string text =
        CommandHex(command) + HexField(startAddress, 4) + HexField(endAddress, 4);
    log_.PrintToConsole(std::to_string(text.size() / 2));
    log_.PrintToConsole(text);
    return text;
}

bool EepromTools::EraseEeprom(const std::string& startText, const std::string& endText) {
    if (!SetRange(startText, endText) ||
        !dialogs_.Confirm({QuestionKind::Risk, "Erase EEPROM addresses " +
                                                   std::to_string(startAddress) + " to " +
                                                   std::to_string(endAddress) + "?"})) {
        return false;
    }
    const std::string text = BuildRangeMessage(command::EepromErase);
    if (!link_.SendCommand(command::EepromErase, text, true)) {
        return false;
    }
    clock_.Sleep(kErasePauseMs);
    return true;
}

bool EepromTools::ReadEeprom(const std::string& startText, const std::string& endText) {
    if (!SetRange(startText, endText)) {
        return false;
    }
    const Communication::Job job(link_);
    const std::string text = BuildRangeMessage(command::EepromRead);
    const std::size_t expected = endAddress - startAddress + 1u;
    link_.DiscardStaleReply();
    link_.replyLogWithAddress = true;
    bool complete = false;
    if (link_.SendCommand(command::EepromRead, text, true)) {
        clock_.Sleep(kReadPauseMs);
        view_.ShowReadProgress(0, expected);
        // Complete at `expected` values; a dump that stops short ends after its transfer time.
        const int limit =
            static_cast<int>(static_cast<double>(expected) * kValueWireMs) + kReadSlackMs;
        const bool parsed = link_.ReceiveReply(
            {.values = expected,
             .idleMs = kReadSlackMs,
             .limitMs = limit,
             .progress = [&](std::size_t received,
                             std::size_t total) { view_.ShowReadProgress(received, total); }},
            kReadSlackMs);
        const std::size_t received = parsed ? link_.lastReplyValueCount : 0;
        view_.ShowReadProgress(received, expected);
        dump.assign(link_.replyBytes.begin(),
                    link_.replyBytes.begin() +
                        static_cast<long>(std::min(received, link_.replyBytes.size())));
        complete = parsed && received >= expected;
        if (parsed && !complete) {
            dialogs_.ShowMessage("Incomplete EEPROM read: " + std::to_string(received) + " of " +
                                 std::to_string(expected) + " values");
            log_.PrintToConsole("Incomplete EEPROM read: " + std::to_string(received) + " of " +
                                std::to_string(expected) + " values");
        }
    }
    link_.replyLogWithAddress = false;
    return complete;
}

bool EepromTools::WriteRaw(const std::string& addressText, const std::string& dataText) {
    const std::string text = CommandHex(command::DspWrite) + addressText + dataText;
    log_.PrintToConsole(text);
    const auto hex = [](const std::string& s, std::size_t n) {
        return s.size() == n && std::all_of(s.begin(), s.end(),
                                            [](unsigned char c) { return std::isxdigit(c) != 0; });
    };
    // Only a whole message goes out: 4 address and 8 data digits, nothing else.
    if (!hex(addressText, 4) || !hex(dataText, 8)) {
        dialogs_.ShowMessage("Not a valid hexadecimal message: " + text);
        log_.PrintToConsole("Not a valid hexadecimal message: " + text);
        return false;
    }
    return link_.SendCommand(command::DspWrite, text);
}

} // namespace corvid
