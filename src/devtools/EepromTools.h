#pragma once

#include "base/Services.h"
#include "link/Communication.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// What the console shows while a read runs.
class EepromView {
public:
    virtual ~EepromView() = default;
    virtual void ShowReadProgress(std::size_t received, std::size_t expected) = 0;
};

// The console's EEPROM tools and raw DSP write: erase or read a range of the pedal's 16 KiB
// EEPROM, send a 7-byte parameter write typed by hand.
class EepromTools {
public:
    static constexpr int kErasePauseMs = 100;
    static constexpr int kReadPauseMs = 200;
    static constexpr std::uint16_t kLastAddress = 16383;
    // A value takes at most five bytes ("255" CR LF); 10 bits a byte at 115,200 bit/s.
    static constexpr double kValueWireMs = 5 * 10 * 1000.0 / 115200.0;
    static constexpr int kReadSlackMs = 2000;

    EepromTools(Communication& link, Log& log, Dialogs& dialogs, Clock& clock, EepromView& view)
        : link_(link), log_(log), dialogs_(dialogs), clock_(clock), view_(view) {}

    // A start or end field: a whole number from 0 to 65535. Nullopt, with the reason naming the
    // field and its text, otherwise.
    static std::optional<std::uint16_t> ParseAddress(const std::string& text,
                                                     const std::string& field, std::string& error);
    // Both fields, start not after end; a refusal is shown and nothing is sent.
    bool SetRange(const std::string& startText, const std::string& endText);
    // "0B" or "0C", start and end as four hex digits each; logs the byte count, then the text.
    std::string BuildRangeMessage(const PedalCommand& command);

    // Asks first: erasing cannot be undone. True when the message went out.
    bool EraseEeprom(const std::string& startText, const std::string& endText);
    // Reads end - start + 1 values into replyBytes, the log lines labelled by address. True when
    // all of them came.
    bool ReadEeprom(const std::string& startText, const std::string& endText);
    // 01, the address (4 hex digits) and the data (8 hex digits) as typed.
    bool WriteRaw(const std::string& addressText, const std::string& dataText);

    std::uint16_t startAddress = 0;
    std::uint16_t endAddress = kLastAddress;
    std::vector<std::uint8_t> dump;

private:
    Communication& link_;
    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
    EepromView& view_;
};

} // namespace corvid
