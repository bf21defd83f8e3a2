#pragma once

#include "link/ParameterModel.h"
#include "link/PedalCommands.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace corvid {

// The pedal's messages and its device information as values: each is built and read here once,
// for the editor's operations, restore and the emulated pedal alike.

// Everything the device-information reply holds (81 values).
struct DeviceInfo {
    std::uint8_t firmwareVersion = 0;
    std::uint16_t algorithmVersion = 0;
    std::uint8_t effectNumber = 0;
    // 2 x short-press code + long-press code.
    std::uint8_t footswitchMode = 0;
    std::array<bool, controlCount> controlFlags{};
    std::array<std::uint16_t, controlCount> controlWords{};
    std::uint8_t tuning = 0;
    std::array<std::uint32_t, parameterCount> values{};

    bool operator==(const DeviceInfo&) const = default;
};

// The reply's values decoded; `reply` holds at least deviceinfo::Values values.
DeviceInfo DecodeDeviceInfo(const std::vector<std::uint8_t>& reply);
// The 81 values of the reply, as the pedal sends them (before they become decimal lines).
std::vector<std::uint8_t> EncodeDeviceInfo(const DeviceInfo& info);

// The footswitch codes: a short press bypasses with 00 and changes preset with 01; a long press
// changes preset with 00 and bypasses with 01.
constexpr std::uint8_t FootswitchMode(bool shortPressBypass, bool longPressBypass) {
    return static_cast<std::uint8_t>((shortPressBypass ? 0 : 2) + (longPressBypass ? 1 : 0));
}
constexpr bool ShortPressBypasses(std::uint8_t mode) {
    return (mode & 2) == 0;
}
constexpr bool LongPressBypasses(std::uint8_t mode) {
    return (mode & 1) != 0;
}

// Hex texts of the messages, first byte included.
// 03 and the five assignable parameters' values (slots 10-14).
std::string StoreSettingsMessage(const std::array<std::uint32_t, parameterCount>& values);
// 04, the five assigned flags, the five 16-bit words.
std::string AssignMessage(const std::array<bool, controlCount>& flags,
                          const std::array<std::uint16_t, controlCount>& words);
// 08, the short-press code, the long-press code; a mode above 3 has no message.
std::string FootswitchMessage(std::uint8_t mode);

// The fields of a received message (its bytes, first byte included, of the command's length).
std::uint16_t MessageWord16(const std::vector<std::uint8_t>& message, std::size_t at);
std::uint32_t MessageWord32(const std::vector<std::uint8_t>& message, std::size_t at);

} // namespace corvid
