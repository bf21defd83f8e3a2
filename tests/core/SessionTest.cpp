#include "presets/Backup.h"
#include "support/CoreFixture.h"

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The session alone, as the command line runs it: no window exists.
struct SessionTest : ::testing::Test, CoreSession {};

TEST_F(SessionTest, ConnectRequestTurnAndSaveWithoutWindows) {
    driver.pedal.state.values[slot::InputLevel] = 0x00400000;
    ASSERT_TRUE(session.Start());
    session.SelectAlgorithm(session.Algorithms().front());
    ASSERT_TRUE(session.Connect());
    EXPECT_EQ(views.deviceLabel, "Corvid MK3 connected");
    EXPECT_TRUE(views.deviceOpen);

    ASSERT_TRUE(session.ReadPedalState());
    EXPECT_EQ(views.firmwareLabel, "Firmware Version: 05");
    EXPECT_TRUE(views.parametersRead);
    EXPECT_EQ(views.dialAngles[slot::InputLevel], LevelToDialAngle(0x00400000, levelScale));

    // A turn into the dead zone is snapped and written once: the plain views have no handler.
    EXPECT_EQ(session.TurnDial(slot::InputLevel, -100).value, -135);
    EXPECT_EQ(session.state().parameters.Value(slot::InputLevel), DialAngleToValue(-135));
    ASSERT_TRUE(modules().fx.StoreParameters());

    const auto& messages = driver.pedal.Messages(clock.NowMs());
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].bytes, (Bytes{0x02, 0x00}));
    EXPECT_EQ(messages[1].bytes, (Bytes{0x01, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(messages[2].bytes.size(), 21u);
    EXPECT_EQ(messages[2].bytes.front(), 0x03);
    EXPECT_EQ(driver.pedal.state.values[slot::InputLevel], 0u);
    // Only the protocol's own pauses: 200 ms after the request, 100 ms after storing.
    EXPECT_EQ(clock.pauses, (std::vector<int>{200, 100}));
    ASSERT_GE(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0], "resource name: Corvid_MK3_0008");
    EXPECT_EQ(log.lines[2], "serial number: " + EmulatedDriver::kSerialNumber);
    EXPECT_EQ(log.lines.back(), "21");
    EXPECT_TRUE(dialogs.messages.empty());

    ASSERT_TRUE(session.Disconnect());
    EXPECT_EQ(views.deviceLabel, "Corvid MK3 ");
    EXPECT_FALSE(views.deviceOpen);
}

// A long upload answer that arrives in pieces is read to its end, so the next Request starts
// clean instead of parsing the answer's tail.
TEST_F(SessionTest, ALongSplitUploadAnswerDoesNotBreakTheNextRequest) {
    ASSERT_TRUE(session.Start());
    session.SelectAlgorithm(session.Algorithms().front());
    ASSERT_TRUE(session.Connect());
    driver.pedal.state.uploadAnswer = "Upload completed. DSP restarted, all parameters reset.";
    driver.pedal.InjectFault(EmulatedPedal::Fault::Split, 0, 60);
    ASSERT_TRUE(modules().upload.UploadSelected());
    EXPECT_EQ(views.statusLabel, "Upload completed.");
    ASSERT_TRUE(session.ReadPedalState());
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    EXPECT_EQ(clock.pauses, (std::vector<int>{400, 200}));
}

// Bytes still queued from an earlier exchange are dropped before the next request goes out,
// a single one as a whole line.
TEST_F(SessionTest, StaleBytesAreDiscardedBeforeARequest) {
    ASSERT_TRUE(session.Start());
    ASSERT_TRUE(session.Connect());
    for (const Bytes& stale : {Bytes{'4'}, Bytes{'4', '2', '\r', '\n', 'x'}}) {
        driver.pedal.Send(stale, clock.NowMs());
        ASSERT_TRUE(session.ReadPedalState());
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(modules().communication.replyBytes.size(), 81u);
        EXPECT_EQ(modules().communication.replyBytes[0], 5);
    }
}

// A reply of no fixed length ends one idle gap after its last byte: not sooner, not later.
TEST_F(SessionTest, AnAnswerEndsOneIdleGapAfterItsLastByte) {
    ASSERT_TRUE(session.Start());
    ASSERT_TRUE(session.Connect());
    const std::int64_t start = clock.NowMs();
    driver.pedal.Send({'U', 'p'}, start + 5);
    driver.pedal.Send({'l', 'o', 'a', 'd'}, start + 95); // 90 ms later: still the same answer
    const std::vector<std::uint8_t> answer =
        modules().communication.ReadExchange({.idleMs = Communication::kIdleGapMs});
    EXPECT_EQ(answer, (Bytes{'U', 'p', 'l', 'o', 'a', 'd'}));
    EXPECT_EQ(clock.NowMs(), start + 95 + Communication::kIdleGapMs);
}

// corvid-cli list: every bridge with its description and serial number, none opened.
TEST_F(SessionTest, TheBridgesAreListedWithoutOpeningAny) {
    const Result<std::vector<FoundDevice>> found = session.ListDevices();
    ASSERT_TRUE(found);
    ASSERT_EQ(found.value.size(), 1u);
    EXPECT_EQ(found.value[0].description, Communication::kBridgeDescription);
    EXPECT_EQ(found.value[0].serialNumber, EmulatedDriver::kSerialNumber);
    EXPECT_FALSE(session.link().deviceOpen);
}

TEST(EmulatedPedal, RecordsWhatItCannotUnderstand) {
    EmulatedPedal pedal;
    const Bytes unknown = {0x05, 0x01, 0x00};
    pedal.Receive(unknown.data(), unknown.size(), 0);
    // 0x05 is no command; 01 00 is a DSP write that never got its last five bytes.
    EXPECT_EQ(pedal.Unexpected(1000), (std::vector<Bytes>{{0x05}, {0x01, 0x00}}));
    const Bytes image = {0x00, 0x00, 0x03};
    EmulatedPedal fresh;
    fresh.Receive(image.data(), image.size(), 0);
    EXPECT_EQ(fresh.Unexpected(1000), (std::vector<Bytes>{image}));
}

// A backup's default name carries the pedal's serial number when it has one; a port named by
// its path has none, and the date alone names the file.
TEST(BackupName, CarriesTheSerialNumberOrTheDateAlone) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"KV0MK3E1", "corvid-backup-KV0MK3E1-2026-12-11.json"},
        {"A_b-1", "corvid-backup-A_b-1-2026-12-11.json"},
        {"/dev/pts/3", "corvid-backup-2026-12-11.json"},
        {"COM 3", "corvid-backup-2026-12-11.json"},
        {"", "corvid-backup-2026-12-11.json"},
    };
    for (const auto& [serial, name] : cases) {
        EXPECT_EQ(DefaultBackupName(serial, "2026-12-11"), name) << serial;
    }
}

} // namespace
} // namespace corvid::testing
