#include "firmware/TformFirmwareUpgrade.h"
#include "support/Fixtures.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

using Lines = std::vector<std::string>;

// An editor connected to the emulated pedal, its ports watched.
struct UnplugTest : ::testing::Test {
    TestEditor t{[](TestEditor& e) { e.watchDevices = true; }};

    void SetUp() override {
        QListWidget* list = t.main().lstEffects;
        list->setCurrentRow(0);
        emit list->itemClicked(list->item(0));
        t.Connect();
        t.dialogs.messages.clear();
    }
    // The cable is pulled `afterMs` into whatever runs next.
    std::unique_ptr<ClockTimer> UnplugAfter(int afterMs) {
        auto timer = t.clock.CreateTimer(afterMs, [this] { t.driver.Unplug(); });
        timer->Start();
        return timer;
    }
    // failingCall empty: nothing the user started failed, only the loss is shown.
    void ExpectNoDevice(const std::string& failingCall) {
        const std::size_t shown = failingCall.empty() ? 1 : 2;
        ASSERT_EQ(t.dialogs.messages.size(), shown) << t.dialogs.messages.back();
        if (!failingCall.empty()) {
            EXPECT_EQ(t.dialogs.messages[0].rfind(failingCall + " - ", 0), 0u)
                << t.dialogs.messages[0];
        }
        EXPECT_EQ(t.dialogs.messages.back(), "The pedal was disconnected");
        EXPECT_EQ(t.main().lblDeviceName->text(), "Corvid MK3 ");
        EXPECT_TRUE(t.main().menuConnect->isEnabled());
        EXPECT_FALSE(t.main().menuDisconnect->isEnabled());
        EXPECT_FALSE(t.main().btnRequest->isEnabled());
        EXPECT_FALSE(t.main().btnUpload->isEnabled());
        EXPECT_FALSE(t.driver.open);
        // After that a pedal command is as with no pedal ever connected: the failing call's own
        // message, nothing reaching a pedal.
        const auto commands = [](TestEditor& editor) {
            editor.dialogs.messages.clear();
            editor.main().btnSetTuning->setEnabled(true);
            editor.main().btnSetTuning->click();
            editor.main().midiChannelItems[3]->trigger();
            editor.main().menuUploadTuningsData->trigger();
            return editor.dialogs.messages;
        };
        const std::size_t received = t.pedal().ReceivedBytes().size();
        TestEditor neverConnected;
        const Lines expected = commands(neverConnected);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(commands(t), expected);
        EXPECT_EQ(t.pedal().ReceivedBytes().size(), received);
    }
};

TEST_F(UnplugTest, DuringARequest) {
    t.driver.Unplug();
    t.main().btnRequest->click();
    ExpectNoDevice("FT_Purge TX");
}

TEST_F(UnplugTest, DuringAnUpload) {
    const auto timer = UnplugAfter(200); // inside the 400 ms after the pre-upload message
    t.main().btnUpload->click();
    ExpectNoDevice("FT_Write");
    EXPECT_TRUE(t.pedal().MessagesWithCommand(0x00, t.clock.NowMs()).empty());
}

TEST_F(UnplugTest, WhileIdleTheWatchNotices) {
    t.driver.Unplug();
    // The watch looks once a second, not sooner.
    t.clock.Sleep(Session::kWatchIntervalMs - 1);
    EXPECT_TRUE(t.main().menuDisconnect->isEnabled());
    t.clock.Sleep(1);
    ExpectNoDevice("");
}

TEST_F(UnplugTest, APedalPluggedBackIsDetectedAndConnects) {
    const std::string found = "device found: Corvid MK3 (" + EmulatedDriver::kSerialNumber + ")";
    // Each replug is found once and the serial number is listed once, however often it comes.
    for (int replug = 1; replug <= 2; ++replug) {
        t.driver.Unplug();
        t.clock.Sleep(Session::kWatchIntervalMs);
        t.driver.Plug();
        t.clock.Sleep(Session::kWatchIntervalMs);
        t.clock.Sleep(Session::kWatchIntervalMs);
        const auto lines = t.LogLines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), found), replug);
        EXPECT_EQ(t.main().menuSerialNumber->text().toStdString(),
                  "Device Serial: " + EmulatedDriver::kSerialNumber);
        if (replug == 1) {
            t.Connect();
        }
    }
    EXPECT_EQ(t.LogLines().back(), found);
    EXPECT_EQ(t.main().lblDeviceName->text(), "Corvid MK3");
    t.Connect();
    EXPECT_EQ(t.main().lblDeviceName->text(), "Corvid MK3 connected");
    t.dialogs.messages.clear();
    t.main().btnRequest->click();
    EXPECT_TRUE(t.dialogs.messages.empty());
    EXPECT_TRUE(t.main().btnAssign->isEnabled());
}

TEST(Unplug, DuringAFirmwareBlock) {
    TestEditor t([](TestEditor& e) {
        e.watchDevices = true;
        e.pedal().state.inBootloader = true;
    });
    t.main().menuFirmwareUpgradeMode->trigger();
    t.Connect();
    t.dialogs.messages.clear();
    TformFirmwareUpgrade& window = *t.editor->formFirmwareUpgrade;
    t.main().menuStartFirmwareUpgrade->trigger();
    window.cmbFirmwareChoose->setCurrentIndex(0);
    // Blocks are being written 300 ms into the run.
    auto timer = t.clock.CreateTimer(300, [&] { t.driver.Unplug(); });
    timer->Start();
    window.btnUpgradeFirmware->click();
    // The flash holds no whole program: the way back is said too.
    ASSERT_EQ(t.dialogs.messages.size(), 3u);
    EXPECT_EQ(t.dialogs.messages[1], "The pedal was disconnected");
    EXPECT_EQ(t.dialogs.messages[2], FirmwareUpgrade::kUnfinished);
    EXPECT_TRUE(window.btnUpgradeFirmware->isEnabled());
    EXPECT_TRUE(t.main().menuConnect->isEnabled());

    // Plugged in again and connected as usual, Request finds the bootloader and offers the
    // upgrade; taken, it finishes.
    timer->Stop();
    window.close();
    t.clock.Sleep(Session::kWatchIntervalMs);
    t.driver.Plug();
    t.clock.Sleep(2 * Session::kWatchIntervalMs);
    t.main().menuFirmwareUpgradeMode->trigger();
    ASSERT_FALSE(t.main().menuFirmwareUpgradeMode->isChecked());
    t.Connect();
    t.dialogs.messages.clear();
    t.main().btnRequest->click();
    EXPECT_EQ(t.dialogs.messages[1], FirmwareUpgrade::kWaitsInBootloader);
    EXPECT_EQ(t.dialogs.questions.back(), "Open the firmware upgrade now?");
    EXPECT_TRUE(t.main().menuFirmwareUpgradeMode->isChecked());
    EXPECT_TRUE(window.isVisible());
    window.btnUpgradeFirmware->click();
    EXPECT_EQ(t.dialogs.messages.back(), "Firmware 05 is running");
}

} // namespace
} // namespace corvid::testing
