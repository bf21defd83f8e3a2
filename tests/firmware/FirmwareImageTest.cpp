#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareUpgrade.h"
#include "link/HexMessage.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace corvid::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A small program: stack pointer at the top of RAM, reset vector at 0x08000009 (Thumb code
// right after the two words), `size` bytes in all.
Bytes Program(std::size_t size, std::uint32_t stack = 0x20005000,
              std::uint32_t reset = 0x08000009) {
    Bytes bytes(size, 0x00);
    for (std::size_t i = 0; i < 4 && i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(stack >> (8 * i));
    }
    for (std::size_t i = 0; i < 4 && i + 4 < size; ++i) {
        bytes[4 + i] = static_cast<std::uint8_t>(reset >> (8 * i));
    }
    return bytes;
}

// One Intel HEX record: count, address, type, data and the checksum that makes them sum to 0.
std::string Record(std::uint8_t type, std::uint16_t address, const Bytes& data,
                   int checksumSlip = 0) {
    Bytes record{static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
                 static_cast<std::uint8_t>(address), type};
    record.insert(record.end(), data.begin(), data.end());
    std::uint8_t sum = 0;
    for (const std::uint8_t b : record) {
        sum = static_cast<std::uint8_t>(sum + b);
    }
    record.push_back(static_cast<std::uint8_t>(-sum + checksumSlip));
    return ":" + BytesToHex(record.data(), record.size()) + "\r\n";
}

std::string Hex(const Bytes& bytes, std::uint16_t upper = 0x0800) {
    std::string text =
        Record(0x04, 0, {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)});
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        const std::size_t n = std::min<std::size_t>(16, bytes.size() - at);
        text += Record(0x00, static_cast<std::uint16_t>(at),
                       Bytes(bytes.begin() + static_cast<long>(at),
                             bytes.begin() + static_cast<long>(at + n)));
    }
    return text + Record(0x05, 0, {0x08, 0x00, 0x00, 0x09}) + Record(0x01, 0, {});
}

// Whether bytes are a program for the pedal's chip, at the edges of every rule.
TEST(FirmwareImage, OnlyAProgramForThisChipPasses) {
    const std::string notProgram = "Not a program for this pedal: ";
    const std::size_t most = firmwareimage::MaxBytes;
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {Program(16), ""},
        {{}, "Firmware image is empty"},
        {Program(7), notProgram + "7 bytes, too short for a stack pointer and a reset vector"},
        {Program(8, 0x20005000, 0x08000007), ""},
        {Program(most), ""},
        {Program(most + 1), "Firmware image too large: 130049 bytes, the flash holds 130048 below "
                            "the version record"},
        {Program(16, 0x20000000), ""},
        {Program(16, 0x1FFFFFFF), notProgram + "the initial stack pointer 0x1FFFFFFF is outside "
                                               "the chip's RAM (0x20000000 to 0x20005000)"},
        {Program(16, 0x20005001), notProgram + "the initial stack pointer 0x20005001 is outside "
                                               "the chip's RAM (0x20000000 to 0x20005000)"},
        {Program(16, 0x20005000, 0x08000008),
         notProgram + "the reset vector 0x08000008 is not Thumb code inside the image"},
        {Program(16, 0x20005000, 0x0800000F), ""},
        {Program(16, 0x20005000, 0x08000011),
         notProgram + "the reset vector 0x08000011 is not Thumb code inside the image"},
        {Program(16, 0x20005000, 0x07FFFFFF),
         notProgram + "the reset vector 0x07FFFFFF is not Thumb code inside the image"},
        // A text file: its first words are letters.
        {Bytes{'F', 'o', 'r', 'm', 'a', 't', ':', ' ', 'h'},
         notProgram + "the initial stack pointer 0x6D726F46 is outside the chip's RAM "
                      "(0x20000000 to 0x20005000)"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(firmwareimage::Problem(cases[i].first), cases[i].second) << "case " << i;
    }
}

// Intel HEX: the records' data in place from the flash's start, gaps erased; a damaged file is
// refused with its line.
TEST(FirmwareImage, IntelHexIsReadOrRefusedWithItsLine) {
    std::string reason;
    const Bytes program = Program(300);
    EXPECT_EQ(firmwareimage::FromIntelHex(Hex(program), reason), program) << reason;

    // A gap between two records reads as erased flash.
    const std::string gapped = Record(0x04, 0, {0x08, 0x00}) + Record(0x00, 0, {1, 2}) +
                               Record(0x00, 4, {5}) + Record(0x01, 0, {});
    EXPECT_EQ(firmwareimage::FromIntelHex(gapped, reason), (Bytes{1, 2, 0xFF, 0xFF, 5}));

    const std::string upper = Record(0x04, 0, {0x08, 0x01});
    const std::vector<std::pair<std::string, std::string>> refused = {
        {Record(0x04, 0, {0x08, 0x00}) + Record(0x00, 0, {1}, 1) + Record(0x01, 0, {}),
         "Intel HEX line 2: wrong checksum"},
        {upper + Record(0x00, 0xFBFF, {1}) + Record(0x01, 0, {}), ""},
        {upper + Record(0x00, 0xFBFF, {1, 2}) + Record(0x01, 0, {}),
         "Intel HEX line 2: address 0x0801FC00 is outside the flash below the version record"},
        {Record(0x00, 0, {1}) + Record(0x01, 0, {}),
         "Intel HEX line 1: address 0x00000000 is outside the flash below the version record"},
        {Record(0x04, 0, {0x08, 0x00}) + Record(0x00, 0, {1}) + Record(0x00, 0, {2}) +
             Record(0x01, 0, {}),
         "Intel HEX line 3: address 0x08000000 is given twice"},
        {Record(0x04, 0, {0x08, 0x00}) + Record(0x00, 0, {1}),
         "Intel HEX file without its end-of-file record"},
        {"Format: 1.0\n", "Intel HEX line 1: not a record"},
        {":0100000001\n", "Intel HEX line 1: not a record"},
        {Record(0x06, 0, {}), "Intel HEX line 1: unknown record type 06"},
    };
    for (const auto& [text, expected] : refused) {
        reason.clear();
        const auto bytes = firmwareimage::FromIntelHex(text, reason);
        EXPECT_EQ(bytes.has_value(), expected.empty()) << text;
        EXPECT_EQ(reason, expected) << text;
    }
}

// Reading an image file: a missing file is named as such; .hex is read as Intel HEX; whatever
// is not a program is refused before anything reaches the bootloader.
TEST(FirmwareImage, AFileIsReadByItsKindAndChecked) {
    QTemporaryDir folder;
    const auto write = [&](const std::string& name, const std::string& bytes) {
        const std::filesystem::path path =
            folder.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    const Bytes program = Program(600);
    const std::string raw(program.begin(), program.end());
    std::string reason;
    EXPECT_EQ(FirmwareUpgrade::ReadImage("", write("a_5.bin", raw), reason),
              QByteArray::fromStdString(raw))
        << reason;
    EXPECT_EQ(FirmwareUpgrade::ReadImage("", write("a_5.HEX", Hex(program)), reason),
              QByteArray::fromStdString(raw))
        << reason;
    const std::vector<std::pair<std::filesystem::path, std::string>> refused = {
        {folder.filePath("none_5.bin").toStdString(),
         "No such file: " + folder.filePath("none_5.bin").toStdString()},
        {write("text_5", "Format: 1.0\n"),
         "Not a program for this pedal: the initial stack pointer 0x6D726F46 is outside the "
         "chip's RAM (0x20000000 to 0x20005000)"},
        {write("bad_5.hex", "Format: 1.0\n"), "Intel HEX line 1: not a record"},
    };
    for (const auto& [path, expected] : refused) {
        EXPECT_FALSE(FirmwareUpgrade::ReadImage("", path, reason)) << path;
        EXPECT_EQ(reason, expected);
    }
}

} // namespace
} // namespace corvid::testing
