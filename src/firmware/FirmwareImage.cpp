#include "firmware/FirmwareImage.h"

#include "link/HexMessage.h"

#include <QtEndian>

#include <map>

namespace corvid::firmwareimage {

namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

std::string Hex32(std::uint32_t value) {
    return "0x" + HexField(value, 8);
}

} // namespace

std::optional<std::vector<std::uint8_t>> FromIntelHex(const std::string& text,
                                                      std::string& reason) {
    constexpr std::uint8_t kData = 0x00;
    constexpr std::uint8_t kEnd = 0x01;
    constexpr std::uint8_t kSegment = 0x02;
    constexpr std::uint8_t kStartSegment = 0x03;
    constexpr std::uint8_t kLinear = 0x04;
    constexpr std::uint8_t kStartLinear = 0x05;
    // Address -> byte, so records in any order and overlaps are caught.
    std::map<std::uint32_t, std::uint8_t> data;
    std::uint32_t base = 0;
    bool ended = false;
    std::size_t number = 0;
    std::size_t at = 0;
    while (at < text.size() && !ended) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const auto refuse = [&](const std::string& why) {
            reason = "Intel HEX line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        };
        std::vector<std::uint8_t> record(line.size() / 2);
        if (line[0] != ':' || line.size() < 11 || line.size() % 2 == 0 ||
            HexToBytes(line.substr(1), record.data(), record.size()) != record.size() ||
            record.size() != 5u + record[0]) {
            return refuse("not a record");
        }
        std::uint8_t sum = 0;
        for (const std::uint8_t b : record) {
            sum = static_cast<std::uint8_t>(sum + b);
        }
        if (sum != 0) {
            return refuse("wrong checksum");
        }
        const std::size_t count = record[0];
        const std::uint32_t offset = (std::uint32_t{record[1]} << 8) | record[2];
        switch (record[3]) {
        case kData:
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t address = base + offset + static_cast<std::uint32_t>(i);
                if (address < bootloader::FlashBase ||
                    address >= bootloader::FlashBase + MaxBytes) {
                    return refuse("address " + Hex32(address) +
                                  " is outside the flash below the version record");
                }
                if (!data.emplace(address, record[4 + i]).second) {
                    return refuse("address " + Hex32(address) + " is given twice");
                }
            }
            break;
        case kEnd:
            ended = true;
            break;
        case kSegment:
        case kLinear:
            if (count != 2) {
                return refuse("not a record");
            }
            base = ((std::uint32_t{record[4]} << 8) | record[5]) << (record[3] == kLinear ? 16 : 4);
            break;
        case kStartSegment:
        case kStartLinear:
            // Where a debugger would start; the bootloader's Go starts at the reset vector.
            break;
        default:
            return refuse("unknown record type " + HexField(record[3], 2));
        }
    }
    if (!ended) {
        reason = "Intel HEX file without its end-of-file record";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    if (!data.empty()) {
        bytes.assign(data.rbegin()->first - bootloader::FlashBase + 1, 0xFF);
    }
    for (const auto& [address, byte] : data) {
        bytes[address - bootloader::FlashBase] = byte;
    }
    return bytes;
}

std::string TooLarge(std::uint64_t size) {
    return "Firmware image too large: " + std::to_string(size) + " bytes, the flash holds " +
           std::to_string(MaxBytes) + " below the version record";
}

std::string Problem(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) {
        return "Firmware image is empty";
    }
    if (bytes.size() > MaxBytes) {
        return TooLarge(bytes.size());
    }
    const std::string notProgram = "Not a program for this pedal: ";
    if (bytes.size() < 8) {
        return notProgram + std::to_string(bytes.size()) +
               " bytes, too short for a stack pointer and a reset vector";
    }
    const std::uint32_t stack = Le32(bytes, 0);
    if (stack < RamBase || stack > RamTop) {
        return notProgram + "the initial stack pointer " + Hex32(stack) +
               " is outside the chip's RAM (" + Hex32(RamBase) + " to " + Hex32(RamTop) + ")";
    }
    const std::uint32_t reset = Le32(bytes, 4);
    const std::uint32_t code = reset & ~1u;
    if ((reset & 1u) == 0 || code < bootloader::FlashBase ||
        code >= bootloader::FlashBase + bytes.size()) {
        return notProgram + "the reset vector " + Hex32(reset) +
               " is not Thumb code inside the image";
    }
    return {};
}

} // namespace corvid::firmwareimage
