#pragma once

#include "link/ParameterModel.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace corvid {

// How the pedal answers a command.
enum class Answer {
    None,
    // Decimal numbers, one a line (the device information, an EEPROM dump).
    DecimalLines,
    // Free text (the upload's "Upload completed.").
    Text,
};

// One message the pedal understands, known by its first byte. The builders, the link and the
// emulated pedal all read these, so a length or an opcode is written down once.
struct PedalCommand {
    std::uint8_t code;
    const char* name;
    // Bytes in the message; 0 when the message carries its own length (the algorithm image).
    std::size_t length;
    Answer answer;
};

namespace command {
inline constexpr PedalCommand AlgorithmImage{0x00, "algorithm image", 0, Answer::Text};
inline constexpr PedalCommand DspWrite{0x01, "DSP parameter write", 7, Answer::None};
inline constexpr PedalCommand DeviceInfo{0x02, "device information", 2, Answer::DecimalLines};
// The assignable parameters' values, 32 bits each.
inline constexpr PedalCommand StoreSettings{0x03, "store settings",
                                            1 + 4 * assignableParameterCount, Answer::None};
// A flag for each control, then each control's 16-bit address.
inline constexpr PedalCommand Assignments{0x04, "control assignments", 1 + 3 * controlCount,
                                          Answer::None};
inline constexpr PedalCommand MidiChannel{0x07, "MIDI channel", 2, Answer::None};
inline constexpr PedalCommand Footswitch{0x08, "footswitch behaviour", 3, Answer::None};
// 0x09 is two messages told apart by length: the pedal sees a third byte or a pause.
inline constexpr PedalCommand TuningSelect{0x09, "tuning selection", 2, Answer::None};
inline constexpr PedalCommand NoteCut{0x09, "note-cut filters", 3, Answer::None};
inline constexpr PedalCommand EepromErase{0x0B, "EEPROM erase", 5, Answer::None};
inline constexpr PedalCommand EepromRead{0x0C, "EEPROM read", 5, Answer::DecimalLines};
inline constexpr PedalCommand PreUpload{0x0D, "pre-upload", 2, Answer::None};
inline constexpr PedalCommand TuningData{0x0E, "tuning data", 641, Answer::None};
inline constexpr PedalCommand BootloaderSync{0x7F, "bootloader synchronisation", 1, Answer::Text};
} // namespace command

inline constexpr std::array<PedalCommand, 14> pedalCommands = {
    command::AlgorithmImage, command::DspWrite,       command::DeviceInfo, command::StoreSettings,
    command::Assignments,    command::MidiChannel,    command::Footswitch, command::TuningSelect,
    command::NoteCut,        command::EepromErase,    command::EepromRead, command::PreUpload,
    command::TuningData,     command::BootloaderSync,
};

// The first command with that first byte, or null for a byte the pedal does not know.
constexpr const PedalCommand* FindCommand(std::uint8_t code) {
    for (const PedalCommand& c : pedalCommands) {
        if (c.code == code) {
            return &c;
        }
    }
    return nullptr;
}

// Where the device-information reply keeps what (indexes into the reply's values).
namespace deviceinfo {
inline constexpr std::size_t FirmwareVersion = 0;
inline constexpr std::size_t AlgorithmVersion = 1; // two bytes
inline constexpr std::size_t EffectNumber = 3;
inline constexpr std::size_t FootswitchMode = 4;
inline constexpr std::size_t Assignments = 5; // a flag a control, then a 16-bit address each
inline constexpr std::size_t Tuning = Assignments + 3 * controlCount;
inline constexpr std::size_t ParameterValues = Tuning + 1; // a 32-bit word a parameter
inline constexpr std::size_t Values = ParameterValues + 4 * parameterCount;
} // namespace deviceinfo

// The command's first byte as two hex digits, the start of every message text.
std::string CommandHex(const PedalCommand& command);
// The whole text of a command that is its first byte and 0x00 (device information, pre-upload).
std::string CommandWithZero(const PedalCommand& command);
// The address and value fields of a DSP write: 4 and 8 upper-case hex digits.
std::string DspWriteFields(std::uint16_t address, std::uint32_t value);
// The 7-byte DSP parameter write: 01, address, value.
std::string DspWriteMessage(std::uint16_t address, std::uint32_t value);

} // namespace corvid
