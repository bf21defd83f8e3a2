#pragma once

#include "base/Services.h"
#include "firmware/Bootloader.h"

#include <QByteArray>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// What the upgrade window shows of a run.
class FirmwareUpgradeView {
public:
    virtual ~FirmwareUpgradeView() = default;
    // The bar: `position` blocks of `maximum` written.
    virtual void SetUpgradeProgress(int position, int maximum) = 0;
    // The same bar while the blocks are read back: `position` of `maximum` checked.
    virtual void SetVerifyProgress(int position, int maximum) = 0;
    // How the run talks to the bootloader: "fast (8E1)" or "compatible (8N1, paced)".
    virtual void ShowPath(const std::string& path) = 0;
    // "Upgrade Firmware" is off while a run is under way.
    virtual void SetUpgradeRunning(bool running) = 0;
    // The run completed: the window closes.
    virtual void ShowUpgradeFinished() = 0;
};

// A firmware image and the upgrade run: the image is cut into 256-byte blocks and written
// through the bootloader after a global erase, followed by the version record and Go.
class FirmwareUpgrade {
public:
    static constexpr int kRestartPauseMs = 2000;
    // How long the restarted pedal may take to answer, and how long each Request waits.
    static constexpr int kComeBackLimitMs = 15000;
    static constexpr int kProbeMs = 500;
    // Asked before an upgrade of a pedal whose settings were never read: they cannot be kept.
    inline static const std::string kSettingsNotKept =
        "Nothing was read from this pedal since the editor started, so its settings cannot be "
        "kept in the history before the upgrade. Upgrade anyway?";
    // Said when the bootloader refuses the first block's data after a successful erase.
    inline static const std::string kWriteProtected =
        "The flash refused the first block although it was erased: it is write-protected. "
        "The editor cannot lift the protection; the pedal's maker can.";
    // Said when a run ends after the erase began: the flash holds no whole program now.
    inline static const std::string kUnfinished =
        "The upgrade did not finish. The pedal waits in its bootloader; start the upgrade "
        "again — the bootloader cannot be erased, so this always works.";
    // Said when a pedal that does not answer as the pedal has its bootloader listening.
    inline static const std::string kWaitsInBootloader =
        "The pedal answers only as its bootloader: an upgrade did not finish. Start the upgrade "
        "again — the bootloader cannot be erased, so this always works.";
    inline static const std::string kComplete =
        "Firmware Upgrade Complete, device will now restart";
    // The images the program carries, as the image list shows them.
    inline static const std::vector<std::string> firmwareImages = {"Firmware_5"};

    FirmwareUpgrade(Bootloader& bootloader, Communication& link, Log& log, Dialogs& dialogs,
                    Clock& clock, BootloaderView& mainView, FirmwareUpgradeView& view)
        : bootloader_(bootloader), link_(link), log_(log), dialogs_(dialogs), clock_(clock),
          mainView_(mainView), view_(view) {}

    // An image of the list was chosen: its name, and its version from the name's last digit.
    void FirmwareSelect(const std::string& itemText);
    // An image whose version is given apart from its name.
    void ChooseImage(const std::string& name, int version);
    // Reads the chosen image from the program's resources (names ignoring case), or from a file
    // when one is given. False, shown, when it is missing or larger than the flash can hold.
    bool LoadFirmwareImage(const std::filesystem::path& file = {});
    // The image's bytes, checked without taking them: readable, not empty, below the version
    // record, a program for the pedal's chip; a .hex file is read as Intel HEX. Nullopt with the
    // reason, so a front end refuses a bad file before the bootloader starts. `name` is the
    // built-in image's, read when no file is given.
    static std::optional<QByteArray>
    ReadImage(const std::string& name, const std::filesystem::path& file, std::string& reason);
    void SplitFirmwareImage();
    // The whole run. True when every step was acknowledged and the pedal restarts.
    bool UpgradeFirmware(const std::filesystem::path& file = {});

    std::string firmwareResourceName;
    int firmwareVersion = 0;
    // The version the pedal reported after the last run's restart.
    std::optional<int> runningVersion;
    std::uint32_t firmwareSize = 0;
    std::string firmwareImageHex;
    std::vector<std::uint8_t> firmwareImage;
    std::uint16_t chunkCount = 0;
    std::uint16_t lastChunkBytes = 0;
    std::vector<std::string> chunkHex;
    std::vector<std::vector<std::uint8_t>> chunkData;
    bool running = false;
    // Read every block back with Read Memory before Go and compare.
    bool verifyAfterWrite = false;

private:
    bool Run(const std::filesystem::path& file);
    bool Failed();
    // After Go: waits for the pedal to answer and checks that it runs the version written.
    bool ConfirmRunning();
    // The erase has begun in this run.
    bool erased_ = false;
    bool VerifyChunks();

    Bootloader& bootloader_;
    Communication& link_;
    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
    BootloaderView& mainView_;
    FirmwareUpgradeView& view_;
};

} // namespace corvid
