#include "support/CoreFixture.h"

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

// A reply that is not an ACK where the run expects one ends it as a failure, wherever it comes:
// the address phase of a block, or the Go itself (then no completion is announced).
TEST(FirmwareRun, AWrongReplyAnywhereIsAFailure) {
    const std::vector<std::pair<int, std::string>> cases = {
        // Replies: 2 for the erase, 3 a block (command, address, data), 3 for the record.
        {3, "block 0 of 211 at 0x08000000 (address): 42"},
        {2 + 3 * 211 + 3, "Go command: 42"},
    };
    for (const auto& [reply, step] : cases) {
        CoreSession core;
        core.pedal().state.inBootloader = true;
        ASSERT_TRUE(core.session.Start());
        core.session.communication.firmwareUpgradeMode = true;
        ASSERT_TRUE(core.session.Connect());
        ASSERT_TRUE(core.views.bootloaderReady);
        core.session.firmware.FirmwareSelect(FirmwareUpgrade::firmwareImages.front());
        core.pedal().state.wrongReplyAt = reply;
        core.dialogs.messages.clear();
        const JobResult result = core.session.FlashFirmware();
        EXPECT_FALSE(result.done) << step;
        EXPECT_EQ(core.dialogs.messages,
                  std::vector<std::string>{"Firmware upgrade failed: " + step});
        EXPECT_FALSE(core.views.upgradeFinished) << step;
        EXPECT_FALSE(core.views.upgradeRunning) << step;
        EXPECT_TRUE(core.session.communication.firmwareUpgradeMode) << step;
    }
}

} // namespace
} // namespace corvid::testing
