#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvid {

// Converts hex text, two characters per byte, into at most maxBytes bytes at out. Stops at the
// first pair that is not two hexadecimal digits (either case); returns the bytes produced.
std::size_t HexToBytes(const std::string& text, std::uint8_t* out, std::size_t maxBytes);

// Upper-case hex of a number, zero-padded on the left to `digits` characters (two's complement
// for negative values, as the message fields are unsigned).
std::string HexField(std::uint32_t value, int digits);

// Upper-case hex of bytes, two digits each; `separator` goes between bytes.
std::string BytesToHex(const std::uint8_t* bytes, std::size_t size,
                       const std::string& separator = {});

// 8-bit text of half the hex text's length, filled by the conversion rule above; characters
// after a bad pair stay NUL.
std::string HexToText(const std::string& hex);

} // namespace corvid
