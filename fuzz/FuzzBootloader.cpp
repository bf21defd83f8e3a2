// The bootloader's replies: whatever bytes come back after each step of a firmware run.
// The input is a script of replies, each a length byte and that many bytes (a length of 0 is
// silence); every write the host makes releases the next reply. Time is virtual.
#include "Quiet.h"
#include "core/PlainViews.h"
#include "firmware/Bootloader.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace corvid;

class ScriptedBootloaderDriver : public FtdiDriver {
public:
    ScriptedBootloaderDriver(const std::uint8_t* data, std::size_t size)
        : script_(data, data + size) {}

    FtStatus ListDeviceCount(std::uint32_t& count) override {
        count = 1;
        return ft::OK;
    }
    FtStatus ListDeviceByIndex(std::uint32_t /*index*/, std::uint32_t /*flags*/,
                               FtListText& text) override {
        FillListText(text, "FUZZ0001");
        return ft::OK;
    }
    FtStatus OpenEx(const char* /*serial*/, std::uint32_t /*flags*/, FtHandle& handle) override {
        handle = 1;
        return ft::OK;
    }
    FtStatus Close(FtHandle /*handle*/) override { return ft::OK; }
    FtStatus SetBaudRate(FtHandle /*handle*/, std::uint32_t /*rate*/) override { return ft::OK; }
    FtStatus SetDataCharacteristics(FtHandle /*handle*/, std::uint8_t /*word*/,
                                    std::uint8_t /*stop*/, std::uint8_t /*parity*/) override {
        return ft::OK;
    }
    FtStatus Purge(FtHandle /*handle*/, std::uint32_t mask) override {
        if ((mask & ft::PURGE_RX) != 0) {
            queued_.clear();
        }
        return ft::OK;
    }
    FtStatus GetQueueStatus(FtHandle /*handle*/, std::uint32_t& rxBytes) override {
        rxBytes = static_cast<std::uint32_t>(queued_.size());
        return ft::OK;
    }
    FtStatus Read(FtHandle /*handle*/, std::uint8_t* buffer, std::uint32_t toRead,
                  std::uint32_t& bytesRead) override {
        bytesRead = 0;
        while (bytesRead < toRead && !queued_.empty()) {
            buffer[bytesRead++] = queued_.front();
            queued_.pop_front();
        }
        return ft::OK;
    }
    FtStatus Write(FtHandle /*handle*/, const std::uint8_t* /*buffer*/, std::uint32_t toWrite,
                   std::uint32_t& bytesWritten) override {
        bytesWritten = toWrite;
        if (!script_.empty()) {
            const std::size_t length = script_.front();
            script_.pop_front();
            for (std::size_t i = 0; i < length && !script_.empty(); ++i) {
                queued_.push_back(script_.front());
                script_.pop_front();
            }
        }
        return ft::OK;
    }

private:
    std::deque<std::uint8_t> script_;
    std::deque<std::uint8_t> queued_;
};

class NoTimer : public ClockTimer {
public:
    void Start() override {}
    void Stop() override {}
    bool IsActive() const override { return false; }
};

// Pauses and waits pass at once; nothing arrives while waiting, so a wait runs to its limit.
class InstantClock : public Clock {
public:
    std::int64_t NowMs() const override { return now_; }
    void Sleep(int ms) override { now_ += ms; }
    void Wait(int limitMs) override { now_ += limitMs > 0 ? limitMs : 1; }
    void Wake() override {}
    std::unique_ptr<ClockTimer> CreateTimer(int /*intervalMs*/,
                                            std::function<void()> /*onTimeout*/) override {
        return std::make_unique<NoTimer>();
    }

private:
    std::int64_t now_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the size of the Read Memory check (1 to 256 bytes).
    const std::size_t readSize = size > 0 ? std::size_t{data[0]} + 1 : 1;
    ScriptedBootloaderDriver driver(size > 0 ? data + 1 : data, size > 0 ? size - 1 : 0);
    InstantClock clock;
    fuzz::Quiet quiet;
    PlainViews views;
    D2XXUnit unit(driver, quiet);
    PedalState state;
    Communication link(unit, quiet, quiet, clock, views, state);
    link.firmwareUpgradeMode = true;
    unit.Open_USB_Device_By_Serial_Number("FUZZ0001");
    Bootloader bootloader(link, unit, quiet, quiet, clock, views);

    // Every step runs whatever the one before it answered: each reads its own replies.
    bootloader.BootloaderSync();
    bootloader.SendEraseCommand();
    const std::vector<std::vector<std::uint8_t>> chunks = {{1, 2, 3, 4}, {5, 6, 7}};
    bootloader.WriteFirmwareChunks(chunks, [](std::size_t /*block*/, std::size_t /*blocks*/) {});
    bootloader.WriteVersionRecord(5);
    bootloader.ReadMemory(bootloader::FlashBase, readSize);
    bootloader.SendGoCommand();
    return 0;
}
