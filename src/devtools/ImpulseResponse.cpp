#include "devtools/ImpulseResponse.h"

#include "link/HexMessage.h"

#include <QFile>

namespace corvid {

namespace {

std::uint32_t Le32(const std::string& b, std::size_t at) {
    return std::uint32_t{static_cast<std::uint8_t>(b[at])} |
           std::uint32_t{static_cast<std::uint8_t>(b[at + 1])} << 8 |
           std::uint32_t{static_cast<std::uint8_t>(b[at + 2])} << 16 |
           std::uint32_t{static_cast<std::uint8_t>(b[at + 3])} << 24;
}

std::uint16_t Le16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                      static_cast<std::uint8_t>(b[at + 1]) << 8);
}

std::string Hex(const std::string& bytes) {
    return BytesToHex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

std::optional<WavFile> ParseWav(const std::string& bytes, std::string& reason) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
        reason = "it does not begin with RIFF and WAVE";
        return std::nullopt;
    }
    WavFile wav;
    wav.riffSize = Le32(bytes, 4);
    bool format = false;
    bool data = false;
    std::size_t at = 12;
    while (!(format && data)) {
        if (at + 8 > bytes.size()) {
            reason = format ? "there is no \"data\" chunk" : "there is no \"fmt \" chunk";
            return std::nullopt;
        }
        const std::string id = bytes.substr(at, 4);
        const std::uint32_t size = Le32(bytes, at + 4);
        if (size > bytes.size() - at - 8) {
            reason = "the \"" + id + "\" chunk's size (" + std::to_string(size) +
                     ") runs past the end of the file";
            return std::nullopt;
        }
        if (id == "fmt ") {
            if (size < 16) {
                reason = "the \"fmt \" chunk is " + std::to_string(size) + " bytes, not 16";
                return std::nullopt;
            }
            wav.formatSize = size;
            wav.audioFormat = Le16(bytes, at + 8);
            wav.channels = Le16(bytes, at + 10);
            wav.sampleRate = Le32(bytes, at + 12);
            wav.byteRate = Le32(bytes, at + 16);
            wav.blockAlign = Le16(bytes, at + 20);
            wav.bitsPerSample = Le16(bytes, at + 22);
            format = true;
        } else if (id == "data") {
            if (!format) {
                reason = "the \"data\" chunk comes before the \"fmt \" chunk";
                return std::nullopt;
            }
            wav.dataSize = size;
            wav.dataOffset = at + 8;
            data = true;
        }
        // Chunks are padded to an even length.
        at += 8 + size + (size % 2);
    }
    return wav;
}

const IrAlgorithm* FindIrAlgorithm(const std::string& effectName) {
    for (const IrAlgorithm& algorithm : irAlgorithms) {
        if (effectName == algorithm.name) {
            return &algorithm;
        }
    }
    return nullptr;
}

std::string ConvertIRSamples(const std::string& digits, int bitsPerSample, std::size_t samples,
                             Log& log) {
    const std::size_t width = bitsPerSample == 24 ? 6 : bitsPerSample == 32 ? 8 : 0;
    std::string words;
    for (std::size_t i = 0; width > 0 && i < samples && (i + 1) * width <= digits.size(); ++i) {
        const std::string sample = digits.substr(i * width, width);
        // Least significant byte first; the top byte's sign fills the word's first byte.
        const std::string top = sample.substr(width - 2, 2);
        const std::string prefix = std::stoi(top, nullptr, 16) >= 0x80 ? "FF" : "00";
        std::string word = prefix + top + sample.substr(width - 4, 2) + sample.substr(width - 6, 2);
        log.PrintToConsole(word);
        words += word;
    }
    return words;
}

std::string SpliceImpulseResponse(const std::string& imageText, const std::string& words,
                                  const IrAlgorithm& algorithm) {
    const std::string head = imageText.substr(0, std::min(algorithm.keptBefore, imageText.size()));
    const std::string tail = algorithm.resumeAt - 1 < imageText.size()
                                 ? imageText.substr(algorithm.resumeAt - 1)
                                 : std::string();
    return head + words + tail;
}

bool ImpulseResponseLoader::LoadImpulseResponse(const std::string& selectedEffectName) {
    const std::filesystem::path path =
        dialogs_.OpenFileName({"Open", "Wave Files (*.wav)", "wav", {}});
    if (path.empty()) {
        return false;
    }
    return LoadFile(path, selectedEffectName);
}

bool ImpulseResponseLoader::LoadFile(const std::filesystem::path& path,
                                     const std::string& selectedEffectName) {
    log_.PrintToConsole(path.string());
    log_.PrintToConsole(path.filename().string());
    QFile file(QString::fromStdU16String(path.u16string()));
    if (!file.open(QIODevice::ReadOnly)) {
        dialogs_.ShowMessage("Cannot read " + path.string() + ": " +
                             file.errorString().toStdString());
        return false;
    }
    const std::string bytes = file.readAll().toStdString();
    log_.PrintToConsole(std::to_string(bytes.size()));
    std::string reason;
    const std::optional<WavFile> wav = ParseWav(bytes, reason);
    if (!wav) {
        dialogs_.ShowMessage("Not a valid WAV file: " + reason);
        return false;
    }
    log_.PrintToConsole(Hex(bytes));
    log_.PrintToConsole("ID: " + bytes.substr(0, 4));
    log_.PrintToConsole("chunk size: " + std::to_string(wav->riffSize));
    // As read: the first chunk after the RIFF header, whichever it is.
    log_.PrintToConsole("Subchunk ID: " + bytes.substr(12, 4));
    log_.PrintToConsole("Subchink size: " + std::to_string(wav->formatSize));
    log_.PrintToConsole("Audio format: " + std::to_string(wav->audioFormat));
    log_.PrintToConsole("Num_of_channels: " + std::to_string(wav->channels));
    log_.PrintToConsole("Sample_Rate: " + std::to_string(wav->sampleRate));
    log_.PrintToConsole("Byte_Rate: " + std::to_string(wav->byteRate));
    log_.PrintToConsole("Block align: " + std::to_string(wav->blockAlign));
    log_.PrintToConsole("Bits_per_sample: " + std::to_string(wav->bitsPerSample));
    log_.PrintToConsole("subchunk2size: " + std::to_string(wav->dataSize));
    const std::string samples = Hex(bytes.substr(wav->dataOffset, wav->dataSize));
    log_.PrintToConsole("Audio data: " + samples);

    const IrAlgorithm* algorithm = FindIrAlgorithm(selectedEffectName);
    const int bits = wav->bitsPerSample;
    if (algorithm != nullptr && (bits == 24 || bits == 32) &&
        wav->dataSize / static_cast<std::uint32_t>(bits / 8) < algorithm->samples) {
        // A short response would leave part of the algorithm's space holding the image's code.
        dialogs_.ShowMessage("Too few samples: the file has " +
                             std::to_string(wav->dataSize / static_cast<std::uint32_t>(bits / 8)) +
                             ", " + algorithm->name + " takes " +
                             std::to_string(algorithm->samples));
        return false;
    }
    irData.clear();
    if (algorithm != nullptr && (bits == 24 || bits == 32)) {
        irData = samples.substr(0, bits == 24 ? algorithm->digits24 : algorithm->digits32);
    }
    log_.PrintToConsole("irdata: " + irData);
    irData = ConvertIRSamples(irData, bits, algorithm != nullptr ? algorithm->samples : 0, log_);
    log_.PrintToConsole("irdata swapped endianess: " + irData);
    if (selectedEffectName.empty()) {
        return true;
    }
    const std::optional<std::string> image = imageText_(selectedEffectName);
    if (!image) {
        return false;
    }
    irAlgorithmText =
        algorithm != nullptr ? SpliceImpulseResponse(*image, irData, *algorithm) : std::string();
    log_.PrintToConsole(irAlgorithmText);
    dialogs_.ShowMessage("Selected file data:\r\nName: " + path.filename().string() +
                         "\r\nSize: " + std::to_string(bytes.size()) +
                         "\r\nSample rate: " + std::to_string(wav->sampleRate) +
                         "\r\nBits per sample: " + std::to_string(bits));
    return true;
}

} // namespace corvid
