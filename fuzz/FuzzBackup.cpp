// Backup files given to Restore Pedal.
#include "presets/Backup.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string reason;
    if (const auto backup =
            corvid::ParseBackup(std::string(reinterpret_cast<const char*>(data), size), reason)) {
        corvid::BackupJson(*backup);
    }
    return 0;
}
