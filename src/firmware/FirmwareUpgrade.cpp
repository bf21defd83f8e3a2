#include "firmware/FirmwareUpgrade.h"

#include "base/Resources.h"
#include "firmware/FirmwareImage.h"
#include "link/HexMessage.h"

#include <QFile>
#include <QFileInfo>

#include <cctype>

namespace corvid {

void FirmwareUpgrade::FirmwareSelect(const std::string& itemText) {
    firmwareResourceName = itemText;
    if (itemText.empty() || std::isdigit(static_cast<unsigned char>(itemText.back())) == 0) {
        // The version stays as it was.
        dialogs_.ShowMessage(
            "'" + (itemText.empty() ? std::string() : itemText.substr(itemText.size() - 1)) +
            "' is not a valid integer value");
        return;
    }
    firmwareVersion = itemText.back() - '0';
    log_.PrintToConsole("Firmware Version: " + std::to_string(firmwareVersion));
    log_.PrintToConsole(firmwareResourceName);
}

void FirmwareUpgrade::ChooseImage(const std::string& name, int version) {
    firmwareResourceName = name;
    firmwareVersion = version;
    log_.PrintToConsole("Firmware Version: " + std::to_string(firmwareVersion));
    log_.PrintToConsole(firmwareResourceName);
}

std::optional<QByteArray> FirmwareUpgrade::ReadImage(const std::string& name,
                                                     const std::filesystem::path& file,
                                                     std::string& reason) {
    QFile image(file.empty() ? QString::fromStdString(FindResource(":/firmware", name))
                             : QString::fromStdU16String(file.u16string()));
    if (!file.empty() && !image.exists()) {
        reason = "No such file: " + file.string();
        return std::nullopt;
    }
    if (image.fileName().isEmpty() || !image.open(QIODevice::ReadOnly)) {
        reason = file.empty()
                     ? "Resource " + name + " not found"
                     : "Cannot read " + file.string() + ": " + image.errorString().toStdString();
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    if (QFileInfo(image.fileName()).suffix().toLower() == "hex") {
        // A record carries at most 16 bytes in about 44 characters; a longer file is not ours.
        const std::optional<std::vector<std::uint8_t>> data = firmwareimage::FromIntelHex(
            image.read(static_cast<qint64>(8 * firmwareimage::MaxBytes)).toStdString(), reason);
        if (!data) {
            return std::nullopt;
        }
        bytes = *data;
    } else {
        // One byte more than the flash holds is enough to know it does not fit.
        const QByteArray read = image.read(static_cast<qint64>(firmwareimage::MaxBytes) + 1);
        if (static_cast<std::size_t>(read.size()) > firmwareimage::MaxBytes) {
            reason = firmwareimage::TooLarge(static_cast<std::uint64_t>(image.size()));
            return std::nullopt;
        }
        bytes.assign(read.begin(), read.end());
    }
    reason = firmwareimage::Problem(bytes);
    if (!reason.empty()) {
        return std::nullopt;
    }
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

bool FirmwareUpgrade::LoadFirmwareImage(const std::filesystem::path& file) {
    std::string reason;
    const std::optional<QByteArray> read = ReadImage(firmwareResourceName, file, reason);
    if (!read) {
        dialogs_.ShowMessage(reason);
        return false;
    }
    const QByteArray& bytes = *read;
    firmwareImage.assign(bytes.begin(), bytes.end());
    firmwareSize = static_cast<std::uint32_t>(firmwareImage.size());
    log_.PrintToConsole("Firmware num of bytes: " + std::to_string(firmwareSize));
    firmwareImageHex = BytesToHex(firmwareImage.data(), firmwareImage.size());
    return true;
}

void FirmwareUpgrade::SplitFirmwareImage() {
    constexpr std::size_t block = bootloader::BlockSize;
    chunkCount = static_cast<std::uint16_t>(firmwareSize / block);
    lastChunkBytes = static_cast<std::uint16_t>(firmwareSize % block);
    log_.PrintToConsole("num of chunks: " + std::to_string(chunkCount));
    log_.PrintToConsole("num of bytes last chunk: " + std::to_string(lastChunkBytes));
    if (lastChunkBytes > 0) {
        ++chunkCount;
    }
    chunkHex.assign(chunkCount, {});
    chunkData.assign(chunkCount, {});
    for (std::size_t i = 0; i < chunkCount; ++i) {
        const bool last = i + 1 == chunkCount;
        chunkHex[i] = firmwareImageHex.substr(2 * block * i, last ? std::string::npos : 2 * block);
        const auto first = firmwareImage.begin() + static_cast<long>(block * i);
        chunkData[i].assign(first, first + static_cast<long>(chunkHex[i].size() / 2));
        if (last) {
            log_.PrintToConsole("num of bytes last chunk: " + std::to_string(lastChunkBytes));
        }
        log_.PlainLine("chunk from string " + std::to_string(i) + ": ");
        log_.PlainLine(chunkHex[i]);
        log_.PrintToConsole("chunk " + std::to_string(i) +
                            " size: " + std::to_string(chunkHex[i].size() / 2));
        log_.PlainLine("");
        log_.PlainLine("");
    }
}

bool FirmwareUpgrade::Failed() {
    // "The pedal was disconnected" says what happened when the link went.
    if (!bootloader_.LinkLost()) {
        const BootloaderRefusal& refusal = bootloader_.refusal;
        dialogs_.ShowMessage("Firmware upgrade failed: " + refusal.step + ": " + refusal.reply);
        if (refusal.firstBlockRefused) {
            dialogs_.ShowMessage(kWriteProtected);
        }
    }
    if (erased_) {
        dialogs_.ShowMessage(kUnfinished);
    }
    return false;
}

bool FirmwareUpgrade::ConfirmRunning() {
    bootloader_.Restarted();
    runningVersion.reset();
    const std::int64_t until = clock_.NowMs() + kComeBackLimitMs;
    while (!bootloader_.LinkLost()) {
        if (const std::optional<std::uint8_t> version = link_.ProbeFirmwareVersion(kProbeMs)) {
            runningVersion = *version;
            break;
        }
        if (clock_.NowMs() >= until) {
            break;
        }
    }
    const std::string written = HexField(static_cast<std::uint32_t>(firmwareVersion), 2);
    if (!runningVersion) {
        dialogs_.ShowMessage("The pedal did not answer within " +
                             std::to_string(kComeBackLimitMs / 1000) +
                             " s of its restart. If it waits in its bootloader, start the upgrade "
                             "again; if not, unplug it, plug it in again and press Request.");
        return false;
    }
    const std::string running = HexField(static_cast<std::uint32_t>(*runningVersion), 2);
    if (*runningVersion != firmwareVersion) {
        dialogs_.ShowMessage("The pedal restarted with firmware " + running + ", not " + written);
        return false;
    }
    dialogs_.ShowMessage("Firmware " + running + " is running");
    return true;
}

bool FirmwareUpgrade::VerifyChunks() {
    std::uint32_t address = bootloader::FlashBase;
    const int maximum = static_cast<int>(chunkData.size());
    for (std::size_t i = 0; i < chunkData.size(); ++i) {
        view_.SetVerifyProgress(static_cast<int>(i), maximum);
        const std::optional<std::vector<std::uint8_t>> read =
            bootloader_.ReadMemory(address, chunkData[i].size());
        if (!read) {
            return Failed();
        }
        if (*read != chunkData[i]) {
            dialogs_.ShowMessage("Firmware upgrade failed: block " + std::to_string(i) + " at 0x" +
                                 HexField(address, 8) + " reads back different from the image");
            return false;
        }
        address += static_cast<std::uint32_t>(chunkData[i].size());
    }
    view_.SetVerifyProgress(maximum, maximum);
    log_.PrintToConsole("verified: " + std::to_string(chunkData.size()) + " blocks");
    return true;
}

bool FirmwareUpgrade::Run(const std::filesystem::path& file) {
    if (!LoadFirmwareImage(file)) {
        return false;
    }
    SplitFirmwareImage();
    erased_ = false;
    view_.ShowPath(PathText(bootloader_.path));
    // Erasing another chip's flash would leave it without its program: asked first.
    const std::optional<std::uint16_t> chip = bootloader_.GetProductId();
    if (!chip) {
        return Failed();
    }
    if (*chip != bootloader::ProductId) {
        dialogs_.ShowMessage("This bootloader belongs to another device (ID 0x" +
                             HexField(*chip, 4) + "); nothing was erased");
        return false;
    }
    erased_ = true;
    if (!bootloader_.SendEraseCommand()) {
        return Failed();
    }
    const int maximum = chunkCount;
    view_.SetUpgradeProgress(0, maximum);
    const bool written =
        bootloader_.WriteFirmwareChunks(chunkData, [&](std::size_t i, std::size_t) {
            view_.SetUpgradeProgress(static_cast<int>(i), maximum);
        });
    if (!written) {
        return Failed();
    }
    // Every block is in: the bar shows it.
    view_.SetUpgradeProgress(maximum, maximum);
    if (!bootloader_.WriteVersionRecord(firmwareVersion)) {
        return Failed();
    }
    if (verifyAfterWrite && !VerifyChunks()) {
        return false;
    }
    clock_.Sleep(kRestartPauseMs);
    // Complete only once the bootloader has taken the Go: a refused Go is a failed upgrade.
    if (!bootloader_.SendGoCommand()) {
        return Failed();
    }
    dialogs_.ShowMessage(kComplete);
    view_.ShowUpgradeFinished();
    link_.firmwareUpgradeMode = false;
    mainView_.ShowUpgradeModeOff();
    return ConfirmRunning();
}

bool FirmwareUpgrade::UpgradeFirmware(const std::filesystem::path& file) {
    if (running) {
        return false;
    }
    running = true;
    view_.SetUpgradeRunning(true);
    const bool done = Run(file);
    running = false;
    // After a failure the user reconnects and tries again; after a success another image may
    // be flashed without restarting the editor.
    view_.SetUpgradeRunning(false);
    return done;
}

} // namespace corvid
