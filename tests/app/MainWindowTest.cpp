#include "app/TformConnectionDoctor.h"
#include "app/TformPrint.h"
#include "devtools/TformFilterResponse.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "parameters/TformFXsettings.h"
#include "presets/TformCompare.h"
#include "presets/TformHistory.h"
#include "support/Fixtures.h"
#include "tunings/TformNoteTrackingFilter.h"
#include "tunings/TformTuningFilters.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/tformFXInfo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <QGuiApplication>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

namespace corvid::testing {
namespace {

using Lines = std::vector<std::string>;

std::string Text(const QLabel* label) {
    return label->text().toStdString();
}

std::string Text(const QAction* action) {
    return action->text().toStdString();
}

TEST(StartUp, WithoutDeviceShowsNoDeviceAndStaysQuiet) {
    TestEditor t([](TestEditor& t) { t.driver.devices.clear(); });
    EXPECT_EQ(Text(t.main().lblDeviceName), "No device found");
    EXPECT_EQ(Text(t.main().menuSerialNumber), "Device Serial: ");
    EXPECT_TRUE(t.dialogs.messages.empty());
    EXPECT_TRUE(t.LogLines().empty());
    EXPECT_TRUE(t.modules().communication.deviceSerialNumber.empty());
}

TEST(StartUp, CreatesTheWindowsWithOnlyTheMainOneShown) {
    TestEditor t;
    t.editor->Show();
    Editor& e = *t.editor;
    EXPECT_TRUE(e.formMain->isVisible());
    EXPECT_EQ(e.formMain->windowTitle(), "Corvid Editor");
    EXPECT_EQ(e.formMain->size(), QSize(354, 217));
    EXPECT_EQ(e.formMain->minimumSize(), e.formMain->maximumSize());
    const std::vector<std::pair<QWidget*, QString>> others = {
        {e.formFirmwareUpgrade.get(), "Firmware Upgrade"},
        {e.formPrint.get(), "Debug Console"},
        {e.formNoteTrackingFilter.get(), "Note Cut"},
        {e.formNewVersionMsg.get(), "New Version"},
    };
    for (const auto& [window, caption] : others) {
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), caption);
    }
    EXPECT_FALSE(e.formFXsettings->isVisible());
    EXPECT_FALSE(e.formFXInfo->isVisible());
}

// The caption the platform shows is the window's own: with a display name set, the platform
// appends it ("Debug Console — Corvid Editor").
TEST(StartUp, ThePlatformIsGivenTheCaptionsAsTheyStand) {
    TestEditor t;
    Editor& e = *t.editor;
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    for (QWidget* window : std::initializer_list<QWidget*>{e.formMain.get(), e.formPrint.get()}) {
        window->show();
        ASSERT_NE(window->windowHandle(), nullptr);
        EXPECT_EQ(window->windowHandle()->title(), window->windowTitle());
        window->hide();
    }
}

TEST(StartUp, MainWindowControlsStartInNoDeviceState) {
    TestEditor t;
    TformMain& m = t.main();
    for (QPushButton* button : {m.btnUpload, m.btnRequest, m.btnAssign, m.btnSaveParameters,
                                m.btnSetFootswitchMode, m.btnSetTuning, m.btnGetFXInfo}) {
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    }
    EXPECT_TRUE(m.menuScan->isEnabled());
    EXPECT_TRUE(m.menuConnect->isEnabled());
    EXPECT_FALSE(m.menuDisconnect->isEnabled());
    EXPECT_FALSE(m.menuStartFirmwareUpgrade->isEnabled());
    EXPECT_FALSE(m.menuLoadIR->isVisible());
    EXPECT_FALSE(m.menuEnableAllParameters->isVisible());
    EXPECT_TRUE(m.btnGetFXInfo->isHidden());
    EXPECT_TRUE(m.chkFirmwareUpgradeMode->isHidden());
    EXPECT_EQ(m.btnUpload->text(), "Upload Selected");
    EXPECT_EQ(m.btnSetFootswitchMode->text(), "Set Footswitch Mode");
    EXPECT_EQ(m.btnSetTuning->font().pointSizeF(), 10.5);
    EXPECT_EQ(m.btnRequest->font().family(), "Arial");
    EXPECT_EQ(m.btnRequest->geometry(), QRect(97, 87, 86, 33));
    EXPECT_EQ(Text(m.lblFirmwareVersion), "Device Firmware Version: ");
    EXPECT_EQ(Text(m.lblStatus), "Status: ");
    EXPECT_EQ(Text(m.menuNewAppVersion), "New version available:");
}

TEST(StartUp, OnePedalIsNamedAndItsSerialListed) {
    TestEditor t;
    EXPECT_EQ(Text(t.main().lblDeviceName), "Corvid MK3");
    EXPECT_EQ(Text(t.main().menuSerialNumber), "Device Serial: " + EmulatedDriver::kSerialNumber);
    EXPECT_EQ(t.modules().communication.deviceSerialNumber, EmulatedDriver::kSerialNumber);
}

TEST(StartUp, WithTwoDevicesTheLastDecidesAndTheMenuCollectsBoth) {
    TestEditor t([](TestEditor& t) { t.driver.devices.push_back({"OTHER42", "USB Serial"}); });
    EXPECT_EQ(Text(t.main().lblDeviceName), "USB Serial");
    EXPECT_EQ(Text(t.main().menuSerialNumber),
              "Device Serial: " + EmulatedDriver::kSerialNumber + "OTHER42");
    EXPECT_EQ(t.modules().communication.deviceSerialNumber, "OTHER42");
}

TEST(StartUp, DriverFailureIsShownAndStartUpGoesOn) {
    TestEditor t(
        [](TestEditor& t) { t.driver.FailCall(EmulatedDriver::Call::ListDeviceCount, 4); });
    EXPECT_EQ(t.dialogs.messages, Lines{"GetFTDeviceCount - General IO error..."});
    EXPECT_EQ(t.modules().d2xx.ftBaudRate, 115200u);
    EXPECT_TRUE(t.main().menuShowUpdateMsg->isChecked());
}

TEST(Scan, ReportsEachDeviceByItsBridgeDescription) {
    TestEditor t;
    t.main().menuScan->trigger();
    EXPECT_EQ(Text(t.main().lblDeviceName), "FT230X Basic UART");
    EXPECT_EQ(t.dialogs.messages, Lines{"FT230X Basic UART found, click Connect"});
    EXPECT_EQ(t.LogLines(),
              (Lines{"FT device count: 1", "FT_Device_String: " + EmulatedDriver::kSerialNumber}));
    EXPECT_EQ(Text(t.main().menuSerialNumber), "Device Serial: " + EmulatedDriver::kSerialNumber);
}

TEST(Scan, WithNothingAttachedSaysNoDeviceFound) {
    TestEditor t;
    t.driver.devices.clear();
    std::string labelDuringMessage;
    t.dialogs.onMessage = [&](const std::string&) {
        labelDuringMessage = Text(t.main().lblDeviceName);
    };
    t.main().menuScan->trigger();
    EXPECT_EQ(labelDuringMessage, "Device Name");
    EXPECT_EQ(t.dialogs.messages, Lines{"No device found"});
    EXPECT_EQ(Text(t.main().lblDeviceName), "No device found");
    EXPECT_EQ(t.LogLines(), Lines{"FT device count: 0"});
    EXPECT_TRUE(t.main().menuConnect->isEnabled());
}

TEST(Connect, OpensConfiguresAndLogs) {
    TestEditor t;
    t.Connect();
    TformMain& m = t.main();
    EXPECT_EQ(Text(m.lblDeviceName), "Corvid MK3 connected");
    EXPECT_TRUE(t.driver.open);
    EXPECT_EQ(t.driver.baudRate, 115200u);
    EXPECT_EQ(t.driver.wordLength, 8);
    EXPECT_EQ(t.driver.stopBits, 0);
    EXPECT_EQ(t.driver.parity, 0);
    EXPECT_EQ(t.LogLines(), (Lines{"serial number: " + EmulatedDriver::kSerialNumber,
                                   "FT_HANDLE: 0x00C0FFEE", "baud rate = 115200"}));
    EXPECT_TRUE(m.btnUpload->isEnabled());
    EXPECT_TRUE(m.btnRequest->isEnabled());
    EXPECT_TRUE(m.menuDisconnect->isEnabled());
    EXPECT_FALSE(m.menuScan->isEnabled());
    EXPECT_FALSE(m.menuConnect->isEnabled());
    EXPECT_FALSE(m.chkFirmwareUpgradeMode->isEnabled());
    EXPECT_FALSE(m.btnAssign->isEnabled());
    EXPECT_TRUE(t.core().link().connectedOnce);
    EXPECT_TRUE(t.dialogs.messages.empty());
}

TEST(Connect, DisconnectAndReconnectLeaveTwoBlanks) {
    TestEditor t;
    t.Connect();
    t.main().menuDisconnect->trigger();
    TformMain& m = t.main();
    EXPECT_EQ(Text(m.lblDeviceName), "Corvid MK3 ");
    EXPECT_FALSE(t.driver.open);
    EXPECT_TRUE(m.menuScan->isEnabled());
    EXPECT_TRUE(m.menuConnect->isEnabled());
    EXPECT_FALSE(m.menuDisconnect->isEnabled());
    EXPECT_FALSE(m.btnUpload->isEnabled());
    EXPECT_FALSE(m.btnRequest->isEnabled());
    t.Connect();
    EXPECT_EQ(Text(m.lblDeviceName), "Corvid MK3  connected");
    EXPECT_TRUE(t.core().link().connectedOnce);
}

TEST(Connect, FailedOpenChangesNothing) {
    TestEditor t;
    t.driver.FailCall(EmulatedDriver::Call::OpenEx, 2);
    t.Connect();
    EXPECT_EQ(t.dialogs.messages, Lines{"Open_USB_Device_By_Serial_Number - Device not found..."});
    EXPECT_EQ(Text(t.main().lblDeviceName), "Corvid MK3");
    EXPECT_TRUE(t.main().menuConnect->isEnabled());
    EXPECT_FALSE(t.main().btnRequest->isEnabled());
    EXPECT_FALSE(t.core().link().connectedOnce);
    EXPECT_EQ(t.LogLines(), Lines{"serial number: " + EmulatedDriver::kSerialNumber});
}

TEST(Connect, BeforeAnyDeviceWasFoundOpensWithAnEmptySerial) {
    TestEditor t([](TestEditor& t) { t.driver.devices.clear(); });
    t.driver.devices.push_back({EmulatedDriver::kSerialNumber, "FT230X Basic UART"});
    t.Connect();
    EXPECT_EQ(t.dialogs.messages, Lines{"Open_USB_Device_By_Serial_Number - Device not found..."});
    EXPECT_EQ(t.LogLines(), Lines{"serial number: "});
}

TEST(Connect, ConfigurationFailuresAreShownButTheLinkOpens) {
    TestEditor t;
    t.driver.FailCall(EmulatedDriver::Call::SetBaudRate, 7);
    t.driver.FailCall(EmulatedDriver::Call::SetDataCharacteristics, 18);
    t.Connect();
    EXPECT_EQ(t.dialogs.messages, (Lines{"FT_SetBaudRate - Invalid baud rate...", ""}));
    EXPECT_TRUE(t.main().menuDisconnect->isEnabled());
}

TEST(Connect, FailedCloseKeepsTheConnectedState) {
    TestEditor t;
    t.Connect();
    t.driver.FailCall(EmulatedDriver::Call::Close, 8);
    t.main().menuDisconnect->trigger();
    EXPECT_EQ(t.dialogs.messages, Lines{"FT_Close Device not opened for erase..."});
    EXPECT_EQ(Text(t.main().lblDeviceName), "Corvid MK3 connected");
    EXPECT_TRUE(t.main().menuDisconnect->isEnabled());
    EXPECT_TRUE(t.main().btnRequest->isEnabled());
}

TEST(Console, KeyChordShowsItOnlyWithCtrlAndShift) {
    TestEditor t;
    t.editor->Show();
    QWidget* focus = t.main().lstEffects;
    struct Case {
        Qt::KeyboardModifiers modifiers;
        bool shows;
    };
    const std::vector<Case> cases = {
        {Qt::ControlModifier, false},
        {Qt::ShiftModifier, false},
        {Qt::ControlModifier | Qt::ShiftModifier, true},
        {Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier, true},
    };
    for (const Case& c : cases) {
        t.console().hide();
        QTest::keyClick(focus, Qt::Key_P, c.modifiers);
        EXPECT_EQ(t.console().isVisible(), c.shows) << c.modifiers.toInt();
    }
    t.console().close();
    EXPECT_FALSE(t.console().isVisible());
    EXPECT_TRUE(t.main().isVisible());
}

TEST(Console, ClearUpAndAutoScroll) {
    TestEditor t;
    TformPrint& c = t.console();
    c.show();
    QScrollBar* bar = c.Memo1->verticalScrollBar();
    for (int i = 0; i < 200; ++i) {
        c.PrintToConsole("line " + std::to_string(i));
    }
    QApplication::processEvents();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    c.btnScrollTop->click();
    EXPECT_EQ(bar->value(), 0);
    c.CheckBox1->click();
    EXPECT_FALSE(c.consoleAutoScroll);
    c.PrintToConsole("more");
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(t.LogLines().back(), "more");

    c.CheckBox1->click();
    EXPECT_TRUE(c.consoleAutoScroll);
    c.PlainLine("plain");
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(t.LogLines().size(), 202u);

    c.btnClear->click();
    EXPECT_TRUE(t.LogLines().empty());
    c.PrintToConsole("");
    c.PrintToConsole("after");
    EXPECT_EQ(t.LogLines(), (Lines{"", "after"}));
    EXPECT_TRUE(c.Memo1->isReadOnly());
}

// File > Quit closes the main window, which ends the program.
TEST(MainWindow, QuitClosesTheMainWindow) {
    TestEditor t;
    t.main().show();
    ASSERT_TRUE(t.main().isVisible());
    t.main().menuQuit->trigger();
    EXPECT_FALSE(t.main().isVisible());
}

// File > History... lists what was kept before each change, newest first, says why nothing
// would be kept after a new connection, and restores the chosen state.
TEST(HistoryWindow, ListsTheKeptStatesAndRestoresOne) {
    TestEditor t;
    t.Connect();
    ASSERT_TRUE(t.core().ReadPedalState());
    ASSERT_TRUE(t.core().Store());
    ASSERT_TRUE(t.core().SetFootswitch(false, false));
    t.main().menuHistory->trigger();
    TformHistory& window = *t.editor->formHistory;
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(window.lstHistory->topLevelItemCount(), 2);
    EXPECT_EQ(window.lstHistory->topLevelItem(0)->text(1), "Set Footswitch Mode");
    EXPECT_EQ(window.lstHistory->topLevelItem(0)->text(2), "nothing");
    EXPECT_EQ(window.lstHistory->topLevelItem(1)->text(1), "Save Parameters");
    EXPECT_TRUE(window.lblWhy->text().startsWith("Kept in "));
    EXPECT_FALSE(window.btnRestore->isEnabled());

    // The state before the footswitch change goes back.
    window.lstHistory->setCurrentItem(window.lstHistory->topLevelItem(0));
    ASSERT_TRUE(window.btnRestore->isEnabled());
    window.btnRestore->click();
    EXPECT_EQ(t.pedal().state.footswitchMode, 0);
    EXPECT_EQ(window.lstHistory->topLevelItemCount(), 3); // the restore kept one too

    t.main().menuDisconnect->trigger();
    t.Connect();
    t.main().menuHistory->trigger();
    EXPECT_EQ(window.lblWhy->text().toStdString(), PedalHistory::kNothingRead + ".");
}

// File > Compare...: the editor's values, the pedal's and a preset's side by side in the
// controls' terms, the rows that differ marked; a column loads into the editor.
TEST(CompareWindow, ShowsThreeSourcesAndLoadsOne) {
    TestEditor t;
    t.Connect();
    ASSERT_TRUE(t.core().ReadPedalState());
    // The pedal's Input Level moves behind the editor's back (its own controls, say).
    t.pedal().state.values[slot::InputLevel] = 512u << 13;
    QTemporaryDir folder;
    const std::filesystem::path preset = folder.filePath("dry.txt").toStdString();
    // Dry at 256, everything else 0.
    std::string text = "\xEF\xBB\xBF"
                       "00200000";
    for (std::size_t slot = 1; slot < parameterCount; ++slot) {
        text += "\r00000000";
    }
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(preset, text, error)) << error;

    t.main().menuCompare->trigger();
    TformCompare& window = *t.editor->formCompare;
    EXPECT_TRUE(window.isVisible());
    QTreeWidgetItem* input = window.tblCompare->topLevelItem(slot::InputLevel);
    EXPECT_EQ(input->text(0), "\u2260 Input Level");
    EXPECT_EQ(input->text(1), "level 0/1023");
    EXPECT_EQ(input->text(2), "level 512/1023");
    EXPECT_EQ(input->text(3), "\u2014");
    EXPECT_EQ(window.tblCompare->topLevelItem(slot::Dry)->text(0), "Dry");

    t.dialogs.fileNames.push_back(preset);
    window.btnChooseFile->click();
    EXPECT_EQ(window.lblFile->text(), "dry.txt");
    EXPECT_EQ(window.tblCompare->topLevelItem(slot::Dry)->text(0), "\u2260 Dry");
    EXPECT_EQ(window.tblCompare->topLevelItem(slot::Dry)->text(3), "level 256/1023");

    window.btnLoadPedal->click();
    EXPECT_EQ(t.core().state().parameters.Value(slot::InputLevel), 512u << 13);
    EXPECT_EQ(window.tblCompare->topLevelItem(slot::InputLevel)->text(1), "level 512/1023");
}

// A tool window opens beside the window it belongs to, fully on the screen (its frame
// included), not over that window, and never exactly over another.
// Info > Connection Doctor: every check with its status, a summary, no message box even when
// the pedal is silent; Copy gives the findings as the command line prints them.
TEST(ConnectionDoctorWindow, ShowsEachCheckAndCopiesTheFindings) {
    TestEditor t;
    TformConnectionDoctor& doctor = *t.editor->formConnectionDoctor;
    t.main().menuConnectionDoctor->trigger();
    ASSERT_TRUE(doctor.isVisible());
    ASSERT_EQ(doctor.lstChecks->topLevelItemCount(), 2);
    EXPECT_EQ(doctor.lstChecks->topLevelItem(1)->text(1), "Line");
    EXPECT_EQ(doctor.lblSummary->text(), "Every check passed.");
    // The busy cursor of the check is gone once it is done.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(t.main().menuDisconnect->isEnabled());

    t.pedal().InjectFault(EmulatedPedal::Fault::Silence);
    doctor.btnRunAgain->click();
    EXPECT_EQ(doctor.lblSummary->text(), "1 of 2 checks failed: the fix is beside each.");
    EXPECT_EQ(doctor.lstChecks->topLevelItem(1)->text(0), "fail");
    EXPECT_TRUE(t.dialogs.messages.empty());
    doctor.btnCopy->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "pass  Bridge: The built-in emulated pedal\n"
              "fail  Line: The pedal takes bytes but does not answer: is it powered, is the "
              "algorithm uploaded?\n"
              "      fix: Power the pedal, then upload the algorithm: corvid-cli upload\n");
}

TEST(ToolWindows, OpenBesideTheirWindowOnTheScreen) {
    TestEditor t;
    Editor& e = *t.editor;
    e.Show();
    QListWidget* list = t.main().lstEffects;
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));
    const QRect screen = e.formMain->screen()->availableGeometry();
    // The upgrade is offered once the pedal is in its bootloader.
    t.main().menuStartFirmwareUpgrade->setEnabled(true);
    TformPrint& console = *e.formPrint;
    struct Tool {
        std::function<void()> open;
        QWidget* window;
        QWidget* owner;
    };
    const auto item = [](QAction* action) { return [action] { action->trigger(); }; };
    const std::vector<Tool> tools = {
        {item(t.main().menuNoteCut), e.formNoteTrackingFilter.get(), e.formMain.get()},
        {item(t.main().menuTuningFilters), e.formTuningFilters.get(), e.formMain.get()},
        {item(t.main().menuHistory), e.formHistory.get(), e.formMain.get()},
        {item(t.main().menuCompare), e.formCompare.get(), e.formMain.get()},
        {item(t.main().menuConnectionDoctor), e.formConnectionDoctor.get(), e.formMain.get()},
        {item(t.main().menuStartFirmwareUpgrade), e.formFirmwareUpgrade.get(), e.formMain.get()},
        {[&console] {
             console.show();
             console.btnGetNoteFrequency->click();
         },
         console.formFilterResponse, &console},
    };
    for (const auto& [open, window, owner] : tools) {
        open();
        const std::string name = window->objectName().toStdString();
        ASSERT_TRUE(window->isVisible()) << name;
        const QRect placed = window->frameGeometry();
        EXPECT_TRUE(screen.contains(placed)) << name;
        // Beside the window it belongs to whenever the screen has room for it on some side.
        const QRect main = owner->frameGeometry();
        const bool room =
            placed.width() <=
                std::max(screen.right() - main.right(), main.left() - screen.left()) ||
            placed.height() <= std::max(screen.bottom() - main.bottom(), main.top() - screen.top());
        EXPECT_TRUE(!room || !placed.intersects(main))
            << name << " screen " << screen.width() << "x" << screen.height();
        for (QWidget* other : QApplication::topLevelWidgets()) {
            if (other != window && other->isVisible()) {
                EXPECT_NE(other->frameGeometry().topLeft(), window->frameGeometry().topLeft())
                    << name << " over " << other->objectName().toStdString();
            }
        }
    }
}

} // namespace
} // namespace corvid::testing
