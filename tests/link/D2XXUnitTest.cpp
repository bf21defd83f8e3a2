#include "link/D2XXUnit.h"
#include "emulator/EmulatedDriver.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

struct D2XXUnitTest : ::testing::Test {
    VirtualClock clock;
    EmulatedDriver driver{clock};
    ScriptedDialogs dialogs;
    D2XXUnit unit{driver, dialogs};

    void PedalRequest(std::size_t values) {
        const std::uint8_t request[] = {0x02, 0x00};
        std::uint32_t written = 0;
        driver.pedal.InjectFault(EmulatedPedal::Fault::ShortReply, values);
        driver.Write(unit.ftHandle, request, 2, written);
        clock.Sleep(10);
    }
    void Open() {
        ASSERT_EQ(unit.Open_USB_Device_By_Serial_Number(EmulatedDriver::kSerialNumber), ft::OK);
    }
};

TEST_F(D2XXUnitTest, FailureReportsNameAndStatusText) {
    struct Case {
        FtStatus status;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {1, "FT_Close - Invalid handle..."},
        {4, "FT_Close - General IO error..."},
        {8, "FT_Close Device not opened for erase..."},
        {9, "FT_Close Device not opened for write..."},
        {17, "FT_Close - Other error ..."},
        {18, ""},
        {200, ""},
    };
    for (const Case& c : cases) {
        dialogs.messages.clear();
        driver.FailCall(EmulatedDriver::Call::Close, c.status);
        EXPECT_EQ(unit.CloseFTDevice(), c.status);
        ASSERT_EQ(dialogs.messages.size(), 1u) << c.status;
        EXPECT_EQ(dialogs.messages[0], c.shown) << c.status;
    }
}

TEST_F(D2XXUnitTest, SuccessShowsNothingAndNoDeviceCountsZero) {
    driver.devices.clear();
    unit.ftDeviceCount = 7;
    EXPECT_EQ(unit.GetFTDeviceCount(), ft::OK);
    EXPECT_EQ(unit.ftDeviceCount, 0u);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(D2XXUnitTest, FailedQueriesKeepEarlierResults) {
    ASSERT_EQ(unit.GetFTDeviceSerialNo(0), ft::OK);
    EXPECT_EQ(unit.ftDeviceString, EmulatedDriver::kSerialNumber);
    driver.FailCall(EmulatedDriver::Call::ListDeviceByIndex, 4);
    driver.FailCall(EmulatedDriver::Call::ListDeviceCount, 4);
    unit.ftDeviceCount = 3;
    EXPECT_EQ(unit.GetFTDeviceDescription(0), 4u);
    EXPECT_EQ(unit.GetFTDeviceCount(), 4u);
    EXPECT_EQ(unit.ftDeviceString, EmulatedDriver::kSerialNumber);
    EXPECT_EQ(unit.ftDeviceCount, 3u);
    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{"GetFTDeviceDescription - General IO error...",
                                        "GetFTDeviceCount - General IO error..."}));
}

TEST_F(D2XXUnitTest, SerialNumberIsCutTo49Characters) {
    const std::string serial(60, 'S');
    driver.devices[0].serialNumber = serial.substr(0, 49);
    EXPECT_EQ(unit.Open_USB_Device_By_Serial_Number(serial), ft::OK);
    EXPECT_EQ(driver.openedSerialNumber, serial.substr(0, 49));
}

TEST_F(D2XXUnitTest, ReadTakesOnlyQueuedBytesAndKeepsOlderBufferContent) {
    Open();
    unit.ftReceiveBuffer.assign(D2XXUnit::kBufferSize, 0xAA);
    EXPECT_EQ(unit.ReadFTDevice(), 0u);
    EXPECT_EQ(unit.ftReceiveBuffer[0], 0xAA);

    // Twenty values' worth of reply, then a shorter one: the tail of the first stays.
    PedalRequest(8);
    const std::uint32_t first = unit.ReadFTDevice();
    ASSERT_GT(first, 5u);
    PedalRequest(1);
    EXPECT_EQ(unit.ReadFTDevice(), 3u); // "5\r\n"
    EXPECT_EQ(unit.ftReceiveBuffer[3], static_cast<std::uint8_t>('0'));
    EXPECT_EQ(unit.ftReceiveBuffer[first], 0xAA);
}

TEST_F(D2XXUnitTest, CloseKeepsTheHandle) {
    Open();
    EXPECT_EQ(unit.CloseFTDevice(), ft::OK);
    EXPECT_EQ(unit.ftHandle, EmulatedDriver::kHandle);
    EXPECT_FALSE(driver.open);
}

} // namespace
} // namespace corvid::testing
