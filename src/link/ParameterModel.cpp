#include "link/ParameterModel.h"

#include "link/HexMessage.h"

#include <algorithm>
#include <cctype>

namespace corvid {

namespace {

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

ParameterSet::ParameterSet() {
    for (std::size_t i = 0; i < parameterCount; ++i) {
        const ParameterInfo& info = parameterTable[i];
        if (info.assignable) {
            assignable.emplace_back(info.name, 0xFFFF, false);
        } else {
            standard.emplace_back(info.name, 0, 1);
        }
    }
}

std::uint32_t& ParameterSet::Value(std::size_t slot) {
    return slot < standardParameterCount ? standard.at(slot).value
                                         : assignable.at(slot - standardParameterCount).value;
}

std::uint32_t ParameterSet::Value(std::size_t slot) const {
    return const_cast<ParameterSet&>(*this).Value(slot);
}

std::array<std::uint32_t, parameterCount> ParameterSet::Values() const {
    std::array<std::uint32_t, parameterCount> values{};
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        values[slot] = Value(slot);
    }
    return values;
}

std::uint16_t ParameterSet::Address(std::size_t slot) const {
    return slot < standardParameterCount ? standard.at(slot).address
                                         : assignable.at(slot - standardParameterCount).address;
}

void ParameterSet::SetAddress(std::size_t slot, std::uint16_t address) {
    if (slot < standardParameterCount) {
        standard.at(slot).address = address;
    } else {
        assignable.at(slot - standardParameterCount).address = address;
    }
}

const std::string& ParameterSet::Name(std::size_t slot) const {
    return slot < standardParameterCount
               ? standard.at(slot).parameter_name
               : assignable.at(slot - standardParameterCount).parameter_name;
}

assignable_parameter* ParameterSet::Assignable(std::size_t slot) {
    return slot < standardParameterCount ? nullptr : &assignable.at(slot - standardParameterCount);
}

const assignable_parameter* ParameterSet::Assignable(std::size_t slot) const {
    return const_cast<ParameterSet&>(*this).Assignable(slot);
}

std::vector<std::size_t> AssignableSlots(std::size_t control) {
    std::vector<std::size_t> slots;
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        if (control < controlGroups.size() &&
            parameterTable[slot].group == controlGroups[control]) {
            slots.push_back(slot);
        }
    }
    return slots;
}

std::optional<std::vector<std::uint8_t>> HexFieldToBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.size() / 2);
    if (HexToBytes(text, bytes.data(), bytes.size()) != bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}

bool LoadParameterAddresses(const std::string& line0, ParameterSet& parameters,
                            std::string& error) {
    if (line0.size() < addressTableEnd) {
        error = "the algorithm's address table is incomplete (" + std::to_string(line0.size()) +
                " of " + std::to_string(addressTableEnd) + " characters)";
        return false;
    }
    // Fields in the order of their positions; the three discarded ones are checked as well.
    for (int position = 7; position <= 71; position += 4) {
        const std::string field = line0.substr(static_cast<std::size_t>(position - 1), 4);
        const auto bytes = HexFieldToBytes(field);
        if (!bytes) {
            error = "'" + field + "' at character " + std::to_string(position) +
                    " is not a hexadecimal address";
            return false;
        }
        for (std::size_t slot = 0; slot < parameterCount; ++slot) {
            if (parameterTable[slot].addressField == position) {
                parameters.SetAddress(slot,
                                      static_cast<std::uint16_t>((*bytes)[0] * 256 + (*bytes)[1]));
            }
        }
    }
    return true;
}

int SnapDialAngle(int angle) {
    if (angle > -135 && angle < -45) {
        return angle <= -90 ? -135 : -45;
    }
    return angle;
}

int DialAngleToPosition(int angle) {
    if (angle == -180) {
        return 44;
    }
    if (angle >= -179 && angle <= -135) {
        return -135 - angle;
    }
    return 224 - angle;
}

int PositionToLevel(int position) {
    // p * 1023 / 269 to the nearest integer; whole positions never fall on a half.
    return (position * 4 * 1023 * 2 + 1076) / (1076 * 2);
}

int PositionToDialAngle(int position) {
    return position <= 44 ? -135 - position : 224 - position;
}

std::uint32_t DialAngleToValue(int angle) {
    return static_cast<std::uint32_t>(PositionToLevel(DialAngleToPosition(SnapDialAngle(angle))))
           << 13;
}

int MapRange(int x, int inLow, int inHigh, int outLow, int outHigh) {
    return outLow + ((x - inLow) * (outHigh - outLow)) / (inHigh - inLow);
}

int LevelToDialAngle(std::uint32_t value, std::uint32_t scale) {
    std::uint32_t level = 0;
    if (scale == levelScale) {
        level = value >> 13;
    } else {
        level = ((8192u / scale) * value) >> 3;
    }
    const int l = static_cast<int>(level >= 1023 ? 1023 : level);
    if (l <= 169) {
        return MapRange(l, 0, 169, -135, -179);
    }
    if (l <= 339) {
        return MapRange(l, 170, 339, 180, 135);
    }
    if (l <= 511) {
        return MapRange(l, 340, 511, 136, 90);
    }
    if (l <= 680) {
        return MapRange(l, 512, 680, 89, 45);
    }
    if (l <= 850) {
        return MapRange(l, 681, 850, 44, 0);
    }
    return MapRange(l, 851, 1023, -1, -45);
}

std::vector<std::string> AssignmentEntries(std::size_t control) {
    std::vector<std::string> entries = {"Not Assigned"};
    if (control == remoteControl) {
        entries.insert(entries.end(), {"Bypass", "Preset"});
    } else {
        for (std::size_t slot : AssignableSlots(control)) {
            entries.emplace_back(parameterTable[slot].name);
        }
    }
    return entries;
}

std::string AssignmentEntryText(std::size_t control, int index) {
    const std::vector<std::string> entries = AssignmentEntries(control);
    return index >= 0 && static_cast<std::size_t>(index) < entries.size()
               ? entries[static_cast<std::size_t>(index)]
               : std::string();
}

std::string ValueInControlTerms(std::size_t slot, std::uint32_t value) {
    const ParameterInfo& info = parameterTable[slot];
    switch (info.encoding) {
    case Encoding::Level:
        return "level " + std::to_string(value >> 13) + "/1023";
    case Encoding::StepCount:
        return "step " + std::to_string(value) + "/" + std::to_string(info.scale);
    case Encoding::PitchTable:
        for (std::size_t i = 0; i < pitchRatioTable.size(); ++i) {
            if (pitchRatioTable[i] == value) {
                const int semitones = static_cast<int>(i) - 12;
                return (semitones > 0 ? "+" : "") + std::to_string(semitones);
            }
        }
        return kNoPitch;
    case Encoding::WaveSwitch:
        return value == waveOnValue ? "on" : value == waveOffValue ? "off" : "unknown";
    case Encoding::SplitSwitch:
    case Encoding::NoteCutFlag:
        return value == 1 ? "on" : value == 0 ? "off" : "unknown";
    }
    return {};
}

std::optional<long> WholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    std::size_t at = text[0] == '+' || text[0] == '-' ? 1 : 0;
    if (at == text.size()) {
        return std::nullopt;
    }
    for (std::size_t i = at; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) {
            return std::nullopt;
        }
    }
    return std::stol(text);
}

std::string ParseValueText(std::size_t slot, const std::string& text, std::uint32_t& value) {
    const ParameterInfo& info = parameterTable[slot];
    if (text.size() > 2 && LowerCase(text.substr(0, 2)) == "0x") {
        const std::string digits = text.substr(2);
        std::uint8_t bytes[4] = {};
        if (digits.size() > 8 ||
            HexToBytes(std::string(8 - digits.size(), '0') + digits, bytes, 4) != 4) {
            return "a raw value is 0x and at most 8 hexadecimal digits: " + text;
        }
        value = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
        return {};
    }
    const std::string word = LowerCase(text);
    const std::optional<long> n = WholeNumber(text);
    const std::string outside = std::string(info.name) + " takes " + RangeText(slot) + ": " + text;
    switch (info.encoding) {
    case Encoding::Level:
        value = n && *n >= 0 && *n <= 1023 ? static_cast<std::uint32_t>(*n) << 13 : 0;
        return n && *n >= 0 && *n <= 1023 ? std::string() : outside;
    case Encoding::StepCount:
        value = n ? static_cast<std::uint32_t>(*n) : 0;
        return n && *n >= 0 && *n <= static_cast<long>(info.scale) ? std::string() : outside;
    case Encoding::PitchTable:
        if (!n || *n < -12 || *n > 12) {
            return outside;
        }
        value = pitchRatioTable[static_cast<std::size_t>(*n + 12)];
        return {};
    case Encoding::WaveSwitch:
    case Encoding::SplitSwitch:
    case Encoding::NoteCutFlag:
        if (word != "on" && word != "off") {
            return std::string(info.name) + " is on or off: " + text;
        }
        if (info.encoding == Encoding::WaveSwitch) {
            value = word == "on" ? waveOnValue : waveOffValue;
        } else {
            value = word == "on" ? 1u : 0u;
        }
        return {};
    }
    return outside;
}

std::string RangeText(std::size_t slot) {
    const ParameterInfo& info = parameterTable.at(slot);
    switch (info.encoding) {
    case Encoding::Level:
        return "a level from 0 to 1023";
    case Encoding::StepCount:
        return "a step from 0 to " + std::to_string(info.scale);
    case Encoding::PitchTable:
        return "a pitch from -12 to +12";
    case Encoding::WaveSwitch:
    case Encoding::SplitSwitch:
    case Encoding::NoteCutFlag:
        break;
    }
    return "on or off";
}

bool ValueInRange(std::size_t slot, std::uint32_t value) {
    const ParameterInfo& info = parameterTable.at(slot);
    switch (info.encoding) {
    case Encoding::Level:
        return value <= levelScale;
    case Encoding::StepCount:
        return value <= info.scale;
    case Encoding::PitchTable:
        return std::find(pitchRatioTable.begin(), pitchRatioTable.end(), value) !=
               pitchRatioTable.end();
    case Encoding::WaveSwitch:
        return value == waveOnValue || value == waveOffValue;
    case Encoding::SplitSwitch:
    case Encoding::NoteCutFlag:
        return value <= 1;
    }
    return false;
}

} // namespace corvid
