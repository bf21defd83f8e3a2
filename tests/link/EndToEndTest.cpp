#include "base/RealClock.h"
#include "link/SerialPortDriver.h"
#include "parameters/TformFXsettings.h"
#include "support/Fixtures.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

// The editor with its real serial-port driver and clock, against the emulated pedal served on a
// pseudo-terminal by corvid-pedal-emulator.
TEST(EndToEnd, EditorTalksToThePedalEmulatorThroughASerialPort) {
    QProcess emulator;
    emulator.start(CORVID_PEDAL_EMULATOR, {});
    ASSERT_TRUE(emulator.waitForStarted(5000));
    ASSERT_TRUE(emulator.waitForReadyRead(5000));
    const std::string path = emulator.readLine().trimmed().toStdString();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;

    RealClock clock;
    ScriptedDialogs dialogs;
    SerialPortDriver driver(clock, {path});
    QTemporaryDir documents;
    Editor editor({driver, clock, dialogs, documents.path().toStdString(), {}, false, {}});
    TformMain& main = *editor.formMain;
    ASSERT_EQ(editor.session->communication.deviceSerialNumber, path);

    main.menuConnect->trigger();
    EXPECT_EQ(main.lblDeviceName->text(), "Corvid MK3 connected");
    main.btnRequest->click();
    EXPECT_EQ(main.lblFirmwareVersion->text(), "Firmware Version: 05");
    EXPECT_EQ(editor.session->communication.replyBytes.size(), 81u);

    main.lstEffects->setCurrentRow(0);
    emit main.lstEffects->itemClicked(main.lstEffects->item(0));
    main.btnUpload->click();
    EXPECT_EQ(main.lblStatus->text(), "Upload completed.");
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();

    main.menuDisconnect->trigger();
    EXPECT_EQ(main.lblDeviceName->text(), "Corvid MK3 ");
    emulator.terminate();
    EXPECT_TRUE(emulator.waitForFinished(5000));
}

// Unplugging the pedal mid-session: every command fails with a message, none hangs, and
// Disconnect still returns the editor to "no device".
TEST(EndToEnd, AVanishedPedalFailsCleanlyAndCanBeDisconnected) {
    QProcess emulator;
    emulator.start(CORVID_PEDAL_EMULATOR, {});
    ASSERT_TRUE(emulator.waitForReadyRead(5000));
    const std::string path = emulator.readLine().trimmed().toStdString();

    RealClock clock;
    ScriptedDialogs dialogs;
    SerialPortDriver driver(clock, {path});
    QTemporaryDir documents;
    Editor editor({driver, clock, dialogs, documents.path().toStdString(), {}, false, {}});
    TformMain& main = *editor.formMain;
    main.menuConnect->trigger();
    ASSERT_TRUE(main.menuDisconnect->isEnabled());
    emulator.kill();
    ASSERT_TRUE(emulator.waitForFinished(5000));

    main.btnRequest->click();
    ASSERT_FALSE(dialogs.messages.empty());
    for (const std::string& message : dialogs.messages) {
        EXPECT_NE(message.find("General IO error"), std::string::npos) << message;
    }
    EXPECT_FALSE(main.btnAssign->isEnabled());
    main.menuDisconnect->trigger();
    EXPECT_TRUE(main.menuConnect->isEnabled());
    EXPECT_EQ(main.lblDeviceName->text(), "Corvid MK3 ");
}

} // namespace
} // namespace corvid::testing
