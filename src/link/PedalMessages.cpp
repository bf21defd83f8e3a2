#include "link/PedalMessages.h"

#include "link/HexMessage.h"

namespace corvid {

std::uint16_t MessageWord16(const std::vector<std::uint8_t>& m, std::size_t at) {
    return static_cast<std::uint16_t>((m.at(at) << 8) | m.at(at + 1));
}

std::uint32_t MessageWord32(const std::vector<std::uint8_t>& m, std::size_t at) {
    return (std::uint32_t{m.at(at)} << 24) | (std::uint32_t{m.at(at + 1)} << 16) |
           (std::uint32_t{m.at(at + 2)} << 8) | std::uint32_t{m.at(at + 3)};
}

DeviceInfo DecodeDeviceInfo(const std::vector<std::uint8_t>& r) {
    DeviceInfo info;
    info.firmwareVersion = r.at(deviceinfo::FirmwareVersion);
    info.algorithmVersion = MessageWord16(r, deviceinfo::AlgorithmVersion);
    info.effectNumber = r.at(deviceinfo::EffectNumber);
    info.footswitchMode = r.at(deviceinfo::FootswitchMode);
    for (std::size_t k = 0; k < controlCount; ++k) {
        info.controlFlags[k] = r.at(deviceinfo::Assignments + k) != 0;
        info.controlWords[k] = MessageWord16(r, deviceinfo::Assignments + controlCount + 2 * k);
    }
    info.tuning = r.at(deviceinfo::Tuning);
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        info.values[slot] = MessageWord32(r, deviceinfo::ParameterValues + 4 * slot);
    }
    return info;
}

std::vector<std::uint8_t> EncodeDeviceInfo(const DeviceInfo& info) {
    std::vector<std::uint8_t> v(deviceinfo::Values);
    const auto put = [&v](std::size_t at, std::uint32_t value, std::size_t bytes) {
        for (std::size_t b = 0; b < bytes; ++b) {
            v[at + b] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - b)));
        }
    };
    v[deviceinfo::FirmwareVersion] = info.firmwareVersion;
    put(deviceinfo::AlgorithmVersion, info.algorithmVersion, 2);
    v[deviceinfo::EffectNumber] = info.effectNumber;
    v[deviceinfo::FootswitchMode] = info.footswitchMode;
    for (std::size_t k = 0; k < controlCount; ++k) {
        v[deviceinfo::Assignments + k] = info.controlFlags[k] ? 1 : 0;
        put(deviceinfo::Assignments + controlCount + 2 * k, info.controlWords[k], 2);
    }
    v[deviceinfo::Tuning] = info.tuning;
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        put(deviceinfo::ParameterValues + 4 * slot, info.values[slot], 4);
    }
    return v;
}

std::string StoreSettingsMessage(const std::array<std::uint32_t, parameterCount>& values) {
    std::string text = CommandHex(command::StoreSettings);
    for (std::size_t slot = slot::InputLevel; slot <= slot::HighNotesCut; ++slot) {
        text += HexField(values[slot], 8);
    }
    return text;
}

std::string AssignMessage(const std::array<bool, controlCount>& flags,
                          const std::array<std::uint16_t, controlCount>& words) {
    std::string text = CommandHex(command::Assignments);
    for (bool flag : flags) {
        text += flag ? "01" : "00";
    }
    for (std::uint16_t word : words) {
        text += HexField(word, 4);
    }
    return text;
}

std::string FootswitchMessage(std::uint8_t mode) {
    if (mode > 3) {
        return {};
    }
    return CommandHex(command::Footswitch) + HexField(mode >> 1, 2) + HexField(mode & 1, 2);
}

} // namespace corvid
