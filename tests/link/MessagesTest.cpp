#include "link/HexMessage.h"
#include "link/ReplyParser.h"
#include "support/Fixtures.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(ReplyParser, ParsesDecimalLines) {
    struct Case {
        std::string reply;
        Bytes values;
    };
    const std::vector<Case> cases = {
        {"5\r\n17\r\n255\r\n", {0x05, 0x11, 0xFF}},
        {"5\r17\r", {5, 17}},
        {"5\n\r17\r\n", {5, 17}},
        {"\r\n5\r\n", {5}},
        {"007\r\n0\r\n", {7, 0}},
        {"5\r\n1", {5}},
        {"", {}},
    };
    for (const Case& c : cases) {
        const ParsedReply parsed =
            ParseReplyBytes(reinterpret_cast<const std::uint8_t*>(c.reply.data()), c.reply.size());
        EXPECT_FALSE(parsed.error) << c.reply;
        EXPECT_EQ(parsed.values, c.values) << c.reply;
        ReplyValueCounter counter;
        counter.Feed(reinterpret_cast<const std::uint8_t*>(c.reply.data()), c.reply.size());
        EXPECT_EQ(counter.Count(), c.values.size()) << c.reply;
    }
}

TEST(ReplyParser, RefusesWhatIsNotAReply) {
    for (const std::string reply : {"1234\r\n", "300\r\n", "5\r\n1x\r\n", "5\r\n\xFF"}) {
        const ParsedReply parsed =
            ParseReplyBytes(reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size());
        EXPECT_TRUE(parsed.error) << reply;
        EXPECT_TRUE(parsed.values.empty()) << reply;
    }
}

TEST(HexMessage, ConvertsPairsUntilTheFirstBadOne) {
    std::uint8_t out[8] = {};
    EXPECT_EQ(HexToBytes("0d00FfA", out, 8), 3u);
    EXPECT_EQ(Bytes(out, out + 3), (Bytes{0x0D, 0x00, 0xFF}));
    EXPECT_EQ(HexToBytes("01addr", out, 8), 2u);
    EXPECT_EQ(HexToBytes("0102030405", out, 2), 2u);
    EXPECT_EQ(HexField(0xFFFFFFFFu, 8), "FFFFFFFF");
    EXPECT_EQ(HexField(0xE8, 4), "00E8");
    EXPECT_EQ(HexToText("48692A"), "Hi*");
}

struct LinkTest : ::testing::Test {
    TestEditor t;
    Communication& link = t.modules().communication;
    void SetUp() override {
        t.Connect();
        t.pedal().ClearRecords();
    }
    std::int64_t Now() const { return t.clock.NowMs(); }
};

TEST_F(LinkTest, WriteToDspSendsSevenBytesAndLogsTheText) {
    link.WriteToDSP("01", 0x00E8, 1);
    link.WriteToDSP("01", 0xFFFF, static_cast<std::uint32_t>(-1));
    EXPECT_EQ(t.pedal().ReceivedBytes(), (Bytes{0x01, 0x00, 0xE8, 0x00, 0x00, 0x00, 0x01, 0x01,
                                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(t.driver.writeSizes.back(), 7u);
    const auto lines = t.LogLines();
    EXPECT_EQ(lines[lines.size() - 2], "write to DSP msg: 0100E800000001");
    EXPECT_EQ(lines.back(), "write to DSP msg: 01FFFFFFFFFFFF");
}

TEST_F(LinkTest, HalfConvertibleMessageIsNotSent) {
    link.WriteToDSP("01", 0x00E8, 1);
    const std::size_t writes = t.driver.writeSizes.size();
    EXPECT_FALSE(link.SendHexMessage("01addrdata", 5));
    EXPECT_EQ(t.driver.writeSizes.size(), writes);
    EXPECT_EQ(t.dialogs.messages,
              std::vector<std::string>{"Not a valid hexadecimal message: 01addrdata"});
    EXPECT_EQ(t.LogLines().back(), "Not a valid hexadecimal message: 01addrdata");
}

TEST_F(LinkTest, RequestShowsVersionsAndLogsEveryValue) {
    t.main().btnRequest->click();
    EXPECT_EQ(t.main().lblFirmwareVersion->text(), "Firmware Version: 05");
    EXPECT_EQ(t.core().state().versions.algorithm, "0008");
    EXPECT_EQ(t.core().state().versions.effect, "08");
    EXPECT_EQ(t.pedal().ReceivedBytes(), (Bytes{0x02, 0x00}));
    EXPECT_NE(std::find(t.clock.pauses.begin(), t.clock.pauses.end(), 200), t.clock.pauses.end());
    const auto lines = t.LogLines();
    const auto at = std::find(lines.begin(), lines.end(), "num of bytes received: 81");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(*(at + 1), "0:    05");
    EXPECT_EQ(*(at + 2), "1:    00");
    EXPECT_EQ(*(at + 81), "80:    00");
    EXPECT_EQ(*(at + 82), "Firmware Version: 05");
    EXPECT_EQ(*(at + 83), "Algorithm version: 0008");
    EXPECT_EQ(*(at + 84), "Effect Number: 08");
    EXPECT_EQ(link.replyBytes.size(), 81u);
    EXPECT_TRUE(t.dialogs.messages.empty());
}

TEST_F(LinkTest, SplitAndLateRepliesAreAssembled) {
    t.pedal().state.firmwareVersion = 0x21;
    t.pedal().InjectFault(EmulatedPedal::Fault::Split, 0, 700);
    EXPECT_TRUE(link.RequestDeviceInfo());
    EXPECT_EQ(link.replyBytes.size(), 81u);
    EXPECT_EQ(link.replyBytes[0], 0x21);

    t.pedal().InjectFault(EmulatedPedal::Fault::Late, 0, 1500);
    EXPECT_TRUE(link.RequestDeviceInfo());
    EXPECT_TRUE(t.dialogs.messages.empty());
}

TEST_F(LinkTest, FailedRepliesChangeNothing) {
    ASSERT_TRUE(link.RequestDeviceInfo());
    const Bytes before = link.replyBytes;
    struct Case {
        EmulatedPedal::Fault fault;
        std::size_t count;
        std::string message;
    };
    const std::vector<Case> cases = {
        {EmulatedPedal::Fault::Silence, 0, "No reply from the pedal"},
        {EmulatedPedal::Fault::Garbage, 0, "Malformed reply from the pedal"},
        {EmulatedPedal::Fault::ShortReply, 40, "Incomplete reply from the pedal: 40 of 81 values"},
        {EmulatedPedal::Fault::ShortReply, 2, "Incomplete reply from the pedal: 2 of 81 values"},
    };
    for (const Case& c : cases) {
        t.dialogs.messages.clear();
        t.main().lblFirmwareVersion->setText("unchanged");
        t.pedal().InjectFault(c.fault, c.count);
        const std::int64_t start = Now();
        EXPECT_FALSE(link.RequestDeviceInfo());
        EXPECT_LE(Now() - start, 200 + 2000 + 2100) << c.message;
        EXPECT_EQ(t.dialogs.messages, std::vector<std::string>{c.message});
        if (c.count < 4) {
            EXPECT_EQ(t.main().lblFirmwareVersion->text(), "unchanged") << c.message;
        }
        if (c.fault != EmulatedPedal::Fault::ShortReply) {
            EXPECT_EQ(link.replyBytes, before) << c.message;
        }
        EXPECT_FALSE(link.Busy());
    }
    const auto lines = t.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Malformed reply from the pedal (byte 120 is not a digit, CR or LF): 31 32 "
                        "78 0D 0A FF 37 0D 0A"),
              lines.end());
}

TEST_F(LinkTest, AShortReplyAfterALongOneIsParsedAlone) {
    ASSERT_TRUE(link.RequestDeviceInfo());
    t.pedal().Send(Of("9\r\n8\r\n"), Now() + 1);
    ASSERT_TRUE(link.ReceiveReply({}));
    EXPECT_EQ(link.replyBytes, (Bytes{9, 8}));
    EXPECT_EQ(t.LogLines().back(), "1:    08");
}

TEST_F(LinkTest, AddressedLogStartsAtTheBase) {
    link.replyLogWithAddress = true;
    link.replyLogBaseAddress = 256;
    t.pedal().Send(Of("171\r\n"), Now() + 1);
    ASSERT_TRUE(link.ReceiveReply({}));
    EXPECT_EQ(t.LogLines().back(), "256:    AB");
}

TEST_F(LinkTest, ReceiveByteTakesOneByteOrNone) {
    t.pedal().Send({0x79}, Now() + 3);
    EXPECT_EQ(link.ReceiveByte(100), std::optional<std::uint8_t>(0x79));
    EXPECT_EQ(t.LogLines().back(), "num of bytes received: 1");
    EXPECT_EQ(link.ReceiveByte(100), std::nullopt);
}

} // namespace
} // namespace corvid::testing
