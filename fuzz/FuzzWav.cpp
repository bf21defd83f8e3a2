// WAV files given to Load IR, and their samples converted for every known algorithm.
#include "devtools/ImpulseResponse.h"
#include "link/HexMessage.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {
class NoLog : public corvid::Log {
public:
    void PrintToConsole(const std::string& /*text*/) override {}
    void PlainLine(const std::string& /*text*/) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string reason;
    if (const auto wav = corvid::ParseWav(bytes, reason)) {
        NoLog log;
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
