#pragma once
// A firmware image is checked before anything is erased: a wrong file in the flash leaves the
// pedal without a program. Plain functions over bytes, so they can be tested and fuzzed.

#include "firmware/Bootloader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvid::firmwareimage {

// The chip's RAM, where a program's initial stack pointer points (20 KiB).
inline constexpr std::uint32_t RamBase = 0x20000000;
inline constexpr std::uint32_t RamTop = 0x20005000;
// An image fills the flash from its start up to the version record at most.
inline constexpr std::size_t MaxBytes = bootloader::VersionRecordAddress - bootloader::FlashBase;

// An Intel HEX file's data as the bytes from the flash's start to the last byte given, gaps
// filled with 0xFF (erased flash); nullopt with the reason (the line and what is wrong with it).
std::optional<std::vector<std::uint8_t>> FromIntelHex(const std::string& text, std::string& reason);

// "Firmware image too large: …" for an image of `size` bytes.
std::string TooLarge(std::uint64_t size);

// Why the bytes are not a program for the pedal's chip, in one line; empty when they look like
// one: not empty, below the version record, a stack pointer inside RAM and a reset vector that
// is Thumb code inside the image.
std::string Problem(const std::vector<std::uint8_t>& bytes);

} // namespace corvid::firmwareimage
