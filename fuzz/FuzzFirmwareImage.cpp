// A firmware file as the upgrade reads it: Intel HEX text, or raw bytes. Either is refused with
// a reason or becomes bytes the image check then judges; nothing may crash on the way.
#include "firmware/FirmwareImage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvid;
    std::string reason;
    const std::optional<std::vector<std::uint8_t>> hex = firmwareimage::FromIntelHex(
        std::string(reinterpret_cast<const char*>(data), size), reason);
    if (hex) {
        firmwareimage::Problem(*hex);
    }
    firmwareimage::Problem(std::vector<std::uint8_t>(data, data + size));
    return 0;
}
