// Preset files chosen by the user or dropped on a window.
#include "presets/Presets.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (const auto values = corvid::ParsePreset(bytes, error)) {
        corvid::ParameterSet parameters;
        corvid::ApplyPresetText(corvid::PresetLogText(*values), parameters);
    }
    corvid::SwapHexBytes(bytes.substr(0, 8));
    return 0;
}
