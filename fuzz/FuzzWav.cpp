// WAV files given to Load IR, and their samples converted for every known algorithm.
#include "Quiet.h"
#include "devtools/ImpulseResponse.h"
#include "link/HexMessage.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string reason;
    if (const auto wav = corvid::ParseWav(bytes, reason)) {
        corvid::fuzz::Quiet log;
        const std::string samples = corvid::BytesToHex(
            reinterpret_cast<const std::uint8_t*>(bytes.data()) + wav->dataOffset, wav->dataSize);
        for (const corvid::IrAlgorithm& algorithm : corvid::irAlgorithms) {
            const std::string words =
                corvid::ConvertIRSamples(samples, wav->bitsPerSample, algorithm.samples, log);
            corvid::SpliceImpulseResponse(samples, words, algorithm);
        }
    }
    return 0;
}
