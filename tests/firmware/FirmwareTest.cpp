#include "firmware/Bootloader.h"
#include "firmware/FirmwareUpgrade.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "support/Fixtures.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace corvid::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

Bytes ShippedImage() {
    QFile file(":/firmware/FIRMWARE_5");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

bool Contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Bootloader, ChecksumsFollowTheProtocol) {
    EXPECT_EQ(AddressChecksum(0x08000000), 0x08);
    EXPECT_EQ(AddressChecksum(0x0801FC00), 0xF5);
    EXPECT_EQ(DataChecksum({0x01, 0x02, 0x03}, 0x02), 0x02);
    EXPECT_EQ(DataChecksum({0, 0, 0, 0, 0, 0, 0, 5}, 0x07), 0x02);
}

// The stand-in image is a Cortex-M program linked at the flash base.
TEST(Bootloader, TheShippedImageIsACortexMProgram) {
    const Bytes image = ShippedImage();
    ASSERT_EQ(image.size(), 53840u);
    const auto word = [&](std::size_t at) {
        return std::uint32_t{image[at]} | std::uint32_t{image[at + 1]} << 8 |
               std::uint32_t{image[at + 2]} << 16 | std::uint32_t{image[at + 3]} << 24;
    };
    EXPECT_EQ(word(0) & 0xFFFF0000u, 0x20000000u); // stack in RAM
    const std::uint32_t reset = word(4);
    EXPECT_EQ(reset & 0xFFFF0000u, 0x08000000u);
    EXPECT_EQ(reset & 1u, 1u); // Thumb
    const std::size_t code = (reset & ~1u) - 0x08000000u;
    EXPECT_EQ(image[code], 0xFE); // b . : the reset handler loops
    EXPECT_EQ(image[code + 1], 0xE7);
}

// An editor over the emulated pedal in its bootloader, connected in upgrade mode.
struct FirmwareTest : ::testing::Test {
    TestEditor t{[](TestEditor& e) { e.pedal().state.inBootloader = true; }};
    TformFirmwareUpgrade& window = *t.editor->formFirmwareUpgrade;
    QTemporaryDir files;

    void SetUp() override {
        t.main().menuFirmwareUpgradeMode->trigger();
        t.Connect();
        ASSERT_TRUE(t.core().link().upgradeMode);
    }
    void Choose() { window.cmbFirmwareChoose->setCurrentIndex(0); }
    fs::path ImageFile(const std::string& name, std::size_t size) {
        const fs::path path = fs::path(files.path().toStdString()) / name;
        Bytes image = ShippedImage();
        image.resize(size, 0x5A);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<long>(size));
        return path;
    }
    Lines LogTailFrom(std::size_t from) {
        const Lines lines = t.LogLines();
        return Lines(lines.begin() + static_cast<long>(std::min(from, lines.size())), lines.end());
    }
};

TEST_F(FirmwareTest, TheWholeRunWritesTheImageAndStartsIt) {
    EXPECT_EQ(t.dialogs.messages,
              Lines{"Connection to bootloader succeeded, ready for firmware upgrade"});
    EXPECT_TRUE(t.main().menuStartFirmwareUpgrade->isEnabled());
    EXPECT_FALSE(t.main().btnRequest->isEnabled());
    EXPECT_FALSE(t.main().btnUpload->isEnabled());
    t.main().menuStartFirmwareUpgrade->trigger();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.cmbFirmwareChoose->currentIndex(), -1);
    Choose();
    EXPECT_EQ(LogTailFrom(t.LogLines().size() - 2), (Lines{"Firmware Version: 5", "Firmware_5"}));

    // The completion message comes once the Go was acknowledged: it is the last thing sent.
    std::size_t bytesAtMessage = 0;
    t.dialogs.onMessage = [&](const std::string& text) {
        if (text == FirmwareUpgrade::kComplete) {
            bytesAtMessage = t.pedal().ReceivedBytes().size();
        }
    };
    t.pedal().state.firmwareVersion = 4;
    t.clock.pauses.clear();
    window.btnUpgradeFirmware->click();

    const Bytes image = ShippedImage();
    const Bytes& flash = t.pedal().state.flash;
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
    EXPECT_TRUE(std::all_of(flash.begin() + static_cast<long>(image.size()),
                            flash.begin() + 0x1FC00, [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(Bytes(flash.begin() + 0x1FC00, flash.begin() + 0x1FC08),
              (Bytes{0, 0, 0, 0, 0, 0, 0, 5}));
    // Then the restarted pedal is asked what it runs.
    EXPECT_EQ(t.dialogs.messages.end()[-2], FirmwareUpgrade::kComplete);
    EXPECT_EQ(t.dialogs.messages.back(), "Firmware 05 is running");
    const Bytes& sent = t.pedal().ReceivedBytes();
    EXPECT_EQ(bytesAtMessage + 2, sent.size());
    EXPECT_EQ(Bytes(sent.end() - 9, sent.end()),
              (Bytes{0x21, 0xDE, 0x08, 0x00, 0x00, 0x00, 0x08, 0x02, 0x00}));
    // 2 s before the message; the bar shows every block written.
    EXPECT_NE(std::find(t.clock.pauses.begin(), t.clock.pauses.end(), 2000), t.clock.pauses.end());
    EXPECT_EQ(window.ProgressBar1->maximum(), 211);
    EXPECT_EQ(window.ProgressBar1->value(), 211);
    // On the fast path every block is read back before Go.
    EXPECT_EQ(window.ProgressBar1->text(), "checked 211 of 211");
    EXPECT_TRUE(Contains(t.LogLines(), "verified: 211 blocks"));
    EXPECT_FALSE(window.isVisible());
    // Another image may be flashed without restarting the editor.
    EXPECT_TRUE(window.btnUpgradeFirmware->isEnabled());
    EXPECT_FALSE(t.main().menuFirmwareUpgradeMode->isChecked());
    EXPECT_FALSE(t.modules().communication.firmwareUpgradeMode);
    ASSERT_TRUE(t.main().btnRequest->isEnabled());
    EXPECT_TRUE(t.main().btnUpload->isEnabled());

    const Lines log = t.LogLines();
    EXPECT_TRUE(Contains(log, "Firmware num of bytes: 53840"));
    EXPECT_TRUE(Contains(log, "num of chunks: 210"));
    EXPECT_TRUE(Contains(log, "num of bytes last chunk: 80"));
    EXPECT_TRUE(Contains(log, "chunk 210 size: 80"));
    EXPECT_TRUE(Contains(log, "Address: 0800D200"));
    EXPECT_TRUE(Contains(log, "N_byte: 4F"));
    EXPECT_TRUE(Contains(log, "Address: 0801FC00"));
    EXPECT_TRUE(Contains(log, "address checksum: F5"));

    // The new firmware runs and reports its version.
    t.main().btnRequest->click();
    EXPECT_EQ(t.main().lblFirmwareVersion->text(), "Firmware Version: 05");
}

TEST_F(FirmwareTest, ImagesAreCutIntoBlocksAndTooLargeOnesRefused) {
    struct Case {
        std::size_t size;
        int blocks;
        std::string lastChunkLine;
    };
    const std::vector<Case> cases = {
        {768, 3, "num of bytes last chunk: 0"},
        {600, 3, "num of bytes last chunk: 88"},
        {130048, 508, "num of bytes last chunk: 0"},
    };
    FirmwareUpgrade& firmware = t.modules().firmware;
    for (const Case& c : cases) {
        ASSERT_TRUE(firmware.LoadFirmwareImage(ImageFile("image_5.bin", c.size))) << c.size;
        const std::size_t from = t.LogLines().size();
        firmware.SplitFirmwareImage();
        EXPECT_EQ(firmware.chunkCount, c.blocks) << c.size;
        EXPECT_TRUE(Contains(LogTailFrom(from), c.lastChunkLine)) << c.size;
        EXPECT_EQ(firmware.chunkData.back().size(), c.size % 256 == 0 ? 256 : c.size % 256);
    }
    EXPECT_EQ(firmware.chunkData[1].front(), ShippedImage()[256]);

    t.pedal().ClearRecords();
    firmware.FirmwareSelect("huge_5");
    EXPECT_FALSE(firmware.UpgradeFirmware(ImageFile("huge_5.bin", 130049)));
    EXPECT_EQ(t.dialogs.messages.back(),
              "Firmware image too large: 130049 bytes, the flash holds 130048 below the version "
              "record");
    EXPECT_TRUE(t.pedal().ReceivedBytes().empty());
    EXPECT_TRUE(window.btnUpgradeFirmware->isEnabled());
}

TEST_F(FirmwareTest, ANameWithoutAVersionDigitKeepsTheVersion) {
    FirmwareUpgrade& firmware = t.modules().firmware;
    firmware.FirmwareSelect("Firmware_5");
    firmware.FirmwareSelect("Firmware_X");
    EXPECT_EQ(t.dialogs.messages.back(), "'X' is not a valid integer value");
    EXPECT_EQ(firmware.firmwareResourceName, "Firmware_X");
    EXPECT_EQ(firmware.firmwareVersion, 5);
    // Without a chosen image the run stops before sending anything.
    t.pedal().ClearRecords();
    window.btnUpgradeFirmware->click();
    EXPECT_EQ(t.dialogs.messages.back(), "Resource Firmware_X not found");
    EXPECT_TRUE(t.pedal().ReceivedBytes().empty());
}

// A refused step ends the run there; reconnecting (a second synchronisation) and running again
// completes it.
TEST_F(FirmwareTest, ARefusedStepStopsTheRunAndASecondRunCompletes) {
    struct Case {
        std::function<void(EmulatedPedal::State&)> fault;
        std::string message;
    };
    const std::vector<Case> cases = {
        {[](auto& s) { s.nackErase = true; }, "global erase: NACK"},
        {[](auto& s) { s.nackAtWrite = 0; }, "block 0 of 211 at 0x08000000: NACK"},
        {[](auto& s) { s.nackAtWrite = 7; }, "block 7 of 211 at 0x08000700: NACK"},
        {[](auto& s) { s.nackAtWrite = 210; }, "block 210 of 211 at 0x0800D200: NACK"},
        {[](auto& s) { s.nackAtWrite = 211; }, "version record at 0x0801FC00: NACK"},
        {[](auto& s) { s.silentBootloader = true; }, "Get ID: no reply"},
        // The block's own reply (the 6th, after Get ID's and the erase's) is neither ACK nor NACK.
        {[](auto& s) { s.wrongReplyAt = 5; }, "block 0 of 211 at 0x08000000: 42"},
    };
    t.main().menuStartFirmwareUpgrade->trigger();
    Choose();
    for (const Case& c : cases) {
        // Every refusal is met on the fast path (8E1, a step's bytes in one write).
        EXPECT_EQ(t.modules().bootloader.path, BootloaderPath::Fast) << c.message;
        EmulatedPedal::State& pedal = t.pedal().state;
        c.fault(pedal);
        t.pedal().ClearRecords();
        window.btnUpgradeFirmware->click();
        EXPECT_TRUE(Contains(t.dialogs.messages, "Firmware upgrade failed: " + c.message));
        // Once the erase has begun, the way back is said too; a first block refused is
        // explained.
        EXPECT_EQ(t.dialogs.messages.back() == FirmwareUpgrade::kUnfinished,
                  c.message != "Get ID: no reply")
            << c.message;
        EXPECT_EQ(Contains(t.dialogs.messages, FirmwareUpgrade::kWriteProtected),
                  c.message == "block 0 of 211 at 0x08000000: NACK")
            << c.message;
        t.dialogs.messages.clear();
        EXPECT_FALSE(Contains(t.dialogs.messages, FirmwareUpgrade::kComplete)) << c.message;
        const Bytes& sent = t.pedal().ReceivedBytes();
        EXPECT_EQ(std::find(sent.end() - std::min<long>(7, static_cast<long>(sent.size())),
                            sent.end(), 0x21),
                  sent.end())
            << c.message; // no Go
        EXPECT_TRUE(t.modules().communication.firmwareUpgradeMode) << c.message;
        EXPECT_TRUE(window.btnUpgradeFirmware->isEnabled()) << c.message;
        EXPECT_TRUE(window.isVisible()) << c.message;
        EXPECT_TRUE(pedal.inBootloader) << c.message;

        pedal.nackErase = false;
        pedal.nackAtWrite = -1;
        pedal.silentBootloader = false;
        pedal.wrongReplyAt = -1;
        t.main().menuDisconnect->trigger();
        t.Connect();
        EXPECT_EQ(t.dialogs.messages.back(),
                  "Connection to bootloader succeeded, ready for firmware upgrade")
            << c.message;
    }
    EXPECT_TRUE(Contains(t.LogLines(), "bootloader was already synchronised (NACK to 7F 7F)"));
    window.btnUpgradeFirmware->click();
    EXPECT_EQ(t.dialogs.messages.back(), "Firmware 05 is running");
    EXPECT_FALSE(t.pedal().state.inBootloader);
}

TEST(FirmwareSync, APedalWithoutItsBootloaderFailsTheSynchronisation) {
    TestEditor t;
    t.main().menuFirmwareUpgradeMode->trigger();
    t.Connect();
    EXPECT_EQ(t.dialogs.messages.back(), "Connection to bootloader failed");
    EXPECT_FALSE(t.main().menuStartFirmwareUpgrade->isEnabled());
    // The open succeeded: the pedal commands are there as after any Connect.
    EXPECT_TRUE(t.main().btnRequest->isEnabled());
    // 0x7F, a second 0x7F after a second of silence, and nothing else.
    EXPECT_EQ(t.pedal().ReceivedBytes(), (Bytes{0x7F, 0x7F}));
}

} // namespace
} // namespace corvid::testing
