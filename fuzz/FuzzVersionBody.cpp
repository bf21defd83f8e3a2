// The body the version endpoint answers with.
#include "updates/VersionCheck.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string reason;
    corvid::ParseVersionBody(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), reason);
    return 0;
}
