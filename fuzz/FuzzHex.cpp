// Hex texts typed or read from files, converted to bytes and back.
#include "link/HexMessage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::uint8_t> bytes(size / 2 + 1);
    const std::size_t n = corvid::HexToBytes(text, bytes.data(), bytes.size());
    corvid::BytesToHex(bytes.data(), n);
    corvid::HexToText(text);
    return 0;
}
