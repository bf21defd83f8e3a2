#include "EmulatorProcess.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace corvid::testing {
namespace {

// stm32flash, the standard host for this bootloader, on a pseudo-terminal: the emulated
// bootloader must speak AN3155 as a chip does. None when it is not installed.
std::optional<int> Stm32flash(const QStringList& arguments, int limitMs = 120000) {
    QProcess host;
    host.start("stm32flash", arguments);
    if (!host.waitForStarted(5000)) {
        return std::nullopt;
    }
    if (!host.waitForFinished(limitMs)) {
        host.kill();
        host.waitForFinished(5000);
        return -1;
    }
    return host.exitCode();
}

QByteArray Read(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// stm32flash identifies the chip, writes the shipped image and reads it back. Then stm32flash
// and the editor each write the same smaller image (16 blocks: on a pseudo-terminal the editor
// takes the paced path, a millisecond a byte) to an emulated pedal of their own: both flashes
// hold it byte for byte. An 8N1 host that does not pace its bytes gets nowhere unless framing
// is lenient.
TEST(StandardHost, Stm32flashAndTheEditorWriteTheSameFlash) {
    QTemporaryDir folder;
    const QString image = folder.filePath("Firmware_5.bin");
    QFile::copy(":/firmware/FIRMWARE_5", image);
    const QByteArray shipped = Read(image);
    ASSERT_EQ(shipped.size(), 53840);
    const QStringList host = {"-b", "115200", "-m", "8n1"};
    {
        EmulatorProcess pedal(CORVID_PEDAL_EMULATOR,
                              {"--bootloader", "--lenient-framing", "--pace", "0"});
        const std::optional<int> wrote = Stm32flash(host + QStringList{"-w", image, pedal.path});
        if (!wrote) {
            GTEST_SKIP() << "stm32flash is not installed (scripts/install-deps installs it)";
        }
        EXPECT_EQ(*wrote, 0);
        const QString readBack = folder.filePath("read.bin");
        EXPECT_EQ(
            Stm32flash(host + QStringList{"-S", "0x08000000:53840", "-r", readBack, pedal.path}),
            0);
        EXPECT_EQ(Read(readBack), shipped);
    }

    constexpr qsizetype kSmall = 16 * 256;
    const QString small = folder.filePath("small_5.bin");
    {
        QFile out(small);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(shipped.first(kSmall));
    }
    const QString theirs = folder.filePath("theirs.bin");
    {
        EmulatorProcess pedal(CORVID_PEDAL_EMULATOR, {"--bootloader", "--lenient-framing", "--pace",
                                                      "0", "--dump-flash", theirs});
        EXPECT_EQ(Stm32flash(host + QStringList{"-w", small, pedal.path}), 0);
    }
    const QString ours = folder.filePath("ours.bin");
    {
        EmulatorProcess pedal(CORVID_PEDAL_EMULATOR,
                              {"--bootloader", "--pace", "0", "--dump-flash", ours});
        QProcess cli;
        cli.start(CORVID_CLI, {"--port", pedal.path, "flash", small, "--verify", "--yes"});
        ASSERT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    }
    // The image, then the erased flash; the editor adds its version record at 0x0801FC00.
    const QByteArray theirFlash = Read(theirs);
    const QByteArray ourFlash = Read(ours);
    ASSERT_EQ(theirFlash.size(), 128 * 1024);
    ASSERT_EQ(ourFlash.size(), 128 * 1024);
    EXPECT_EQ(theirFlash.first(kSmall), shipped.first(kSmall));
    EXPECT_EQ(ourFlash.first(0x1FC00), theirFlash.first(0x1FC00));
    EXPECT_EQ(ourFlash.mid(0x1FC00, 8), QByteArray("\0\0\0\0\0\0\0\x05", 8));

    // Unpaced 8N1 bytes reach the strict receiver misframed: stm32flash does not get through.
    EmulatorProcess strict(CORVID_PEDAL_EMULATOR, {"--bootloader", "--pace", "0"});
    EXPECT_NE(Stm32flash(host + QStringList{"-w", small, strict.path}, 5000), 0);
}

} // namespace
} // namespace corvid::testing
