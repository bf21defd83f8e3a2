#include "link/SerialPortDriver.h"
#include "base/RealClock.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvid::testing {
namespace {

// The far end of a pseudo-terminal, standing in for the pedal.
struct PseudoTerminal {
    PseudoTerminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            return;
        }
        path = ptsname(master);
        // Keep the slave side raw from the start so nothing is echoed or translated.
        const int slave = open(path.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        close(slave);
    }
    ~PseudoTerminal() { Hangup(); }

    std::vector<std::uint8_t> ReadAvailable(std::size_t expected) {
        std::vector<std::uint8_t> bytes;
        while (bytes.size() < expected) {
            pollfd fd{master, POLLIN, 0};
            if (poll(&fd, 1, 2000) <= 0) {
                break;
            }
            std::uint8_t chunk[256];
            const ssize_t n = read(master, chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        return bytes;
    }
    void Send(const std::string& text) {
        ASSERT_EQ(write(master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void Hangup() {
        if (master >= 0) {
            close(master);
            master = -1;
        }
    }

    int master = -1;
    std::string path;
};

// Polls the queue until bytes arrive or the link fails; the system delivers pty data at once,
// but not within the same instant.
FtStatus WaitForQueued(SerialPortDriver& driver, FtHandle handle, std::uint32_t& queued) {
    for (int i = 0; i < 200; ++i) {
        const FtStatus status = driver.GetQueueStatus(handle, queued);
        if (status != ft::OK || queued > 0) {
            return status;
        }
        usleep(5000);
    }
    return ft::OK;
}

TEST(SerialPortDriver, TalksToAPseudoTerminalEndToEnd) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.path.empty());
    RealClock clock;
    SerialPortDriver driver(clock, {pty.path});

    std::uint32_t count = 0;
    ASSERT_EQ(driver.ListDeviceCount(count), ft::OK);
    ASSERT_GE(count, 1u);
    FtListText text{};
    ASSERT_EQ(
        driver.ListDeviceByIndex(count - 1, ft::LIST_BY_INDEX | ft::OPEN_BY_DESCRIPTION, text),
        ft::OK);
    EXPECT_STREQ(text.data(), "FT230X Basic UART");
    ASSERT_EQ(
        driver.ListDeviceByIndex(count - 1, ft::LIST_BY_INDEX | ft::OPEN_BY_SERIAL_NUMBER, text),
        ft::OK);
    EXPECT_EQ(text.data(), pty.path);
    EXPECT_EQ(driver.ListDeviceByIndex(count, ft::LIST_BY_INDEX | ft::OPEN_BY_SERIAL_NUMBER, text),
              ft::DEVICE_NOT_FOUND);

    FtHandle handle = 0;
    EXPECT_EQ(driver.OpenEx("no such device", ft::OPEN_BY_SERIAL_NUMBER, handle),
              ft::DEVICE_NOT_FOUND);
    ASSERT_EQ(driver.OpenEx(pty.path.c_str(), ft::OPEN_BY_SERIAL_NUMBER, handle), ft::OK);
    EXPECT_EQ(driver.SetBaudRate(handle, 115200), ft::OK);
    EXPECT_EQ(driver.SetDataCharacteristics(handle, 8, 0, 0), ft::OK);
    termios settings{};
    ASSERT_EQ(tcgetattr(pty.master, &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), B115200);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);

    const std::uint8_t message[] = {0x01, 0x00, 0xE8, 0x00, 0x00, 0x00, 0x01};
    std::uint32_t written = 0;
    ASSERT_EQ(driver.Write(handle, message, sizeof message, written), ft::OK);
    EXPECT_EQ(written, sizeof message);
    EXPECT_EQ(pty.ReadAvailable(sizeof message),
              std::vector<std::uint8_t>(message, message + sizeof message));

    pty.Send("5\r\n17\r\n");
    std::uint32_t queued = 0;
    ASSERT_EQ(WaitForQueued(driver, handle, queued), ft::OK);
    usleep(20000);
    ASSERT_EQ(driver.GetQueueStatus(handle, queued), ft::OK);
    EXPECT_EQ(queued, 7u);
    std::uint8_t buffer[16] = {};
    std::uint32_t got = 0;
    ASSERT_EQ(driver.Read(handle, buffer, 3, got), ft::OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), got), "5\r\n");
    ASSERT_EQ(driver.Purge(handle, ft::PURGE_RX | ft::PURGE_TX), ft::OK);
    ASSERT_EQ(driver.GetQueueStatus(handle, queued), ft::OK);
    EXPECT_EQ(queued, 0u);

    ASSERT_EQ(driver.Close(handle), ft::OK);
    EXPECT_EQ(driver.Close(handle), ft::INVALID_HANDLE);
}

TEST(SerialPortDriver, HangUpEndsInAnErrorStatusNotAHang) {
    auto pty = std::make_unique<PseudoTerminal>();
    RealClock clock;
    SerialPortDriver driver(clock, {pty->path});
    FtHandle handle = 0;
    ASSERT_EQ(driver.OpenEx(pty->path.c_str(), ft::OPEN_BY_SERIAL_NUMBER, handle), ft::OK);
    pty->Hangup();

    std::uint32_t queued = 0;
    EXPECT_NE(WaitForQueued(driver, handle, queued), ft::OK);
    // Every later call fails as well, at once.
    std::uint8_t buffer[4];
    std::uint32_t count = 0;
    EXPECT_NE(driver.Read(handle, buffer, sizeof buffer, count), ft::OK);
    EXPECT_NE(driver.Write(handle, buffer, sizeof buffer, count), ft::OK);
    EXPECT_NE(driver.GetQueueStatus(handle, queued), ft::OK);
    EXPECT_EQ(driver.Close(handle), ft::OK);
}

// Low latency is asked for on every open; a port that refuses it is noted once and used.
TEST(SerialPortDriver, LowLatencyIsAskedForAndARefusalTolerated) {
    std::string refusal;
    EXPECT_FALSE(RequestLowLatency(-1, refusal));
    EXPECT_FALSE(refusal.empty());

    PseudoTerminal pty;
    RealClock clock;
    SerialPortDriver driver(clock, {pty.path});
    std::vector<std::string> notes;
    driver.SetNoteSink([&](const std::string& text) { notes.push_back(text); });
    for (int open = 0; open < 2; ++open) {
        FtHandle handle = 0;
        ASSERT_EQ(driver.OpenEx(pty.path.c_str(), ft::OPEN_BY_SERIAL_NUMBER, handle), ft::OK);
        EXPECT_EQ(driver.Close(handle), ft::OK);
    }
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].rfind("low latency not available on " + pty.path + " (", 0), 0u) << notes[0];
    EXPECT_NE(notes[0].find("); used as it is"), std::string::npos);
}

} // namespace
} // namespace corvid::testing
