#include "link/HexMessage.h"

#include <cstdio>

namespace corvid {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

std::size_t HexToBytes(const std::string& text, std::uint8_t* out, std::size_t maxBytes) {
    std::size_t produced = 0;
    while (produced < maxBytes && 2 * produced + 1 < text.size()) {
        const int high = HexDigit(text[2 * produced]);
        const int low = HexDigit(text[2 * produced + 1]);
        if (high < 0 || low < 0) {
            break;
        }
        out[produced++] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return produced;
}

std::string HexField(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::string BytesToHex(const std::uint8_t* bytes, std::size_t size, const std::string& separator) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(size * (2 + separator.size()));
    for (std::size_t i = 0; i < size; ++i) {
        if (i > 0) {
            hex += separator;
        }
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 0x0F];
    }
    return hex;
}

std::string HexToText(const std::string& hex) {
    std::string text(hex.size() / 2, '\0');
    HexToBytes(hex, reinterpret_cast<std::uint8_t*>(text.data()), text.size());
    return text;
}

} // namespace corvid
