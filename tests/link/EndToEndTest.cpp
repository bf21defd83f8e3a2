#include "EmulatorProcess.h"
#include "base/RealClock.h"
#include "core/SessionModules.h"
#include "link/SerialPortDriver.h"
#include "parameters/TformFXsettings.h"
#include "support/Fixtures.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

// The editor with its real serial-port driver and clock, against the emulated pedal served on a
// pseudo-terminal by corvid-pedal-emulator.
TEST(EndToEnd, EditorTalksToThePedalEmulatorThroughASerialPort) {
    EmulatorProcess emulator(CORVID_PEDAL_EMULATOR);
    const std::string path = emulator.Path();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;

    RealClock clock;
    ScriptedDialogs dialogs;
    SerialPortDriver driver(clock, {path});
    QTemporaryDir documents;
    Editor editor({.driver = driver,
                   .clock = clock,
                   .dialogs = dialogs,
                   .documents = documents.path().toStdString()});
    TformMain& main = *editor.formMain;
    ASSERT_EQ(editor.session->link().serialNumber, path);

    main.menuConnect->trigger();
    EXPECT_EQ(main.lblDeviceName->text(), "Corvid MK3 connected");
    main.btnRequest->click();
    EXPECT_EQ(main.lblFirmwareVersion->text(), "Firmware Version: 05");
    EXPECT_EQ(SessionInternals::Of(*editor.session).communication.replyBytes.size(), 81u);

    main.lstEffects->setCurrentRow(0);
    emit main.lstEffects->itemClicked(main.lstEffects->item(0));
    main.btnUpload->click();
    EXPECT_EQ(main.lblStatus->text(), "Upload completed.");
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();

    main.menuDisconnect->trigger();
    EXPECT_EQ(main.lblDeviceName->text(), "Corvid MK3 ");
}

// Unplugging the pedal mid-session: every command fails with a message, none hangs, and
// Disconnect still returns the editor to "no device".
TEST(EndToEnd, AVanishedPedalFailsCleanlyAndCanBeDisconnected) {
    EmulatorProcess emulator(CORVID_PEDAL_EMULATOR);
    const std::string path = emulator.Path();
    ASSERT_FALSE(path.empty());

    RealClock clock;
    ScriptedDialogs dialogs;
    SerialPortDriver driver(clock, {path});
    QTemporaryDir documents;
    Editor editor({.driver = driver,
                   .clock = clock,
                   .dialogs = dialogs,
                   .documents = documents.path().toStdString()});
    TformMain& main = *editor.formMain;
    main.menuConnect->trigger();
    ASSERT_TRUE(main.menuDisconnect->isEnabled());
    ASSERT_TRUE(emulator.Kill());

    // One message for the call that met the loss, one that says what happened; then the
    // window is as after a Disconnect.
    main.btnRequest->click();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_NE(dialogs.messages[0].find("General IO error"), std::string::npos)
        << dialogs.messages[0];
    EXPECT_EQ(dialogs.messages[1], "The pedal was disconnected");
    EXPECT_TRUE(main.menuConnect->isEnabled());
    EXPECT_FALSE(main.menuDisconnect->isEnabled());
    EXPECT_FALSE(main.btnRequest->isEnabled());
    EXPECT_EQ(main.lblDeviceName->text(), "Corvid MK3 ");
    main.btnSetTuning->setEnabled(true);
    // A pedal command now fails as with no pedal connected: its own message, nothing sent.
    main.btnSetTuning->click();
    ASSERT_GT(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[2].rfind("FT_Purge TX - ", 0), 0u) << dialogs.messages[2];
}

// A pedal on a stable name (a link to a pseudo-terminal) that goes away and comes back.
TEST(EndToEnd, APedalThatComesBackIsDetected) {
    QTemporaryDir folder;
    const QString link = folder.filePath("pedal");
    const auto serve = [&](const EmulatorProcess& emulator) {
        QFile::remove(link);
        EXPECT_TRUE(QFile::link(emulator.path, link));
    };
    EmulatorProcess first(CORVID_PEDAL_EMULATOR);
    serve(first);
    RealClock clock;
    ScriptedDialogs dialogs;
    SerialPortDriver driver(clock, {link.toStdString()});
    QTemporaryDir documents;
    Editor editor({.driver = driver,
                   .clock = clock,
                   .dialogs = dialogs,
                   .documents = documents.path().toStdString(),
                   .watchDevices = true});
    TformMain& main = *editor.formMain;
    main.menuConnect->trigger();
    ASSERT_TRUE(main.menuDisconnect->isEnabled());

    // Idle: the watch notices within about a second.
    ASSERT_TRUE(first.Kill());
    QFile::remove(link);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.menuConnect->isEnabled(); }, 3000));
    EXPECT_EQ(dialogs.messages.back(), "The pedal was disconnected");

    EmulatorProcess second(CORVID_PEDAL_EMULATOR);
    serve(second);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QString log = editor.formPrint->Memo1->toPlainText();
            return log.contains("device found: Corvid MK3 (" + link + ")");
        },
        3000));
    main.menuConnect->trigger();
    ASSERT_TRUE(main.btnRequest->isEnabled());
    dialogs.messages.clear();
    main.btnRequest->click();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(main.lblFirmwareVersion->text(), "Firmware Version: 05");
    second.Kill();
}

} // namespace
} // namespace corvid::testing
