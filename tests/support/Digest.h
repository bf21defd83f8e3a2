#pragma once

#include <QByteArray>
#include <QCryptographicHash>

#include <cstdint>
#include <string>
#include <vector>

namespace corvid::testing {

// The SHA-256 of bytes as lower-case hex: fixed expectations for outputs too long to spell out,
// written down once from a reviewed run rather than rebuilt from the code under test.
inline std::string Sha256(const void* data, std::size_t size) {
    return QCryptographicHash::hash(
               QByteArray(static_cast<const char*>(data), static_cast<qsizetype>(size)),
               QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}
inline std::string Sha256(const std::vector<std::uint8_t>& bytes) {
    return Sha256(bytes.data(), bytes.size());
}
inline std::string Sha256(const std::string& bytes) {
    return Sha256(bytes.data(), bytes.size());
}

// The 640 bytes of the 32 note-filter tables, table 0 first.
inline const std::string kTuningTablesSha256 =
    "bed3d3d86904d690de5f87976f21e8fe8973bf7c8748041d765738ca4da5c875";
// The 137 bytes of a preset saved with value 0x01234567 + slot x 0x00010001 in each slot.
inline const std::string kPresetSha256 =
    "5aa43d885d706b5c31863aa5319f50a4d48d1901cbbc8ed3e24e17ed9eb5fb3e";

} // namespace corvid::testing
