#pragma once

#include "base/Services.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace corvid {

// The header fields of a WAV file and where its samples are.
struct WavFile {
    std::uint32_t riffSize = 0;
    std::uint32_t formatSize = 0;
    std::uint16_t audioFormat = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t dataSize = 0;
    std::size_t dataOffset = 0;
};

// Reads a WAV file by its structure: "RIFF" and "WAVE", then the chunks walked one by one (any
// chunk other than "fmt " and "data" is skipped), every size checked against the file. Nullopt
// with the reason otherwise.
std::optional<WavFile> ParseWav(const std::string& bytes, std::string& reason);

// An algorithm with an impulse response in its image: how many hex digits of samples it takes,
// how many samples it converts, and where they go in its image text.
struct IrAlgorithm {
    const char* name;
    std::size_t digits24;
    std::size_t digits32;
    std::size_t samples;
    std::size_t keptBefore; // characters kept before the samples
    std::size_t resumeAt;   // 1-based character where the image text resumes
};
inline constexpr std::array<IrAlgorithm, 4> irAlgorithms = {{
    {"Hollow Box 1", 5292, 7056, 882, 460, 7517},
    {"Amber Push + Hollow Box", 4638, 6184, 703, 724, 6349},
    {"Thick Fuzz + Hollow Box", 4638, 6184, 703, 740, 6365},
    {"Plain Hollow Box", 5472, 7296, 912, 460, 7757},
}};
const IrAlgorithm* FindIrAlgorithm(const std::string& effectName);

// `samples` samples of 24 or 32 bits (little-endian hex digits) as 32-bit big-endian words of
// their upper 24 bits, sign-extended; each word logged. Empty for any other depth.
std::string ConvertIRSamples(const std::string& digits, int bitsPerSample, std::size_t samples,
                             Log& log);
// The image text with the converted words in the algorithm's place.
std::string SpliceImpulseResponse(const std::string& imageText, const std::string& words,
                                  const IrAlgorithm& algorithm);

// File > Load IR: reads an impulse response, logs its header and samples and splices them into
// the selected algorithm's image text (kept in memory and logged, never sent).
class ImpulseResponseLoader {
public:
    // Gives the selected algorithm's image text (nullopt, already shown, when it is missing).
    using ImageText = std::function<std::optional<std::string>(const std::string& effectName)>;

    ImpulseResponseLoader(Log& log, Dialogs& dialogs, ImageText imageText)
        : log_(log), dialogs_(dialogs), imageText_(std::move(imageText)) {}

    // Asks for the file; true when one was read and reported.
    bool LoadImpulseResponse(const std::string& selectedEffectName);
    bool LoadFile(const std::filesystem::path& path, const std::string& selectedEffectName);

    std::string irData;
    std::string irAlgorithmText;

private:
    Log& log_;
    Dialogs& dialogs_;
    ImageText imageText_;
};

} // namespace corvid
