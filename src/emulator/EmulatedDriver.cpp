#include "emulator/EmulatedDriver.h"

#include <algorithm>

namespace corvid {

EmulatedDriver::EmulatedDriver(Clock& clock)
    : devices{{kSerialNumber, "FT230X Basic UART"}}, clock_(clock) {}

void EmulatedDriver::ScheduleArrival() {
    const std::int64_t now = clock_.NowMs();
    const std::optional<std::int64_t> next = pedal.NextArrivalMs(now);
    if (!next) {
        return;
    }
    if (arrival_ && arrival_->IsActive() && arrivalAt_ == *next) {
        return;
    }
    arrivalAt_ = *next;
    // A new timer each time: the interval is fixed at creation. It is replaced only outside its
    // own callback, which just stops it and passes the news on.
    arrival_ = clock_.CreateTimer(static_cast<int>(*next - now), [this] {
        arrival_->Stop();
        NotifyEvent();
    });
    arrival_->Start();
}

void EmulatedDriver::Unplug() {
    if (!devices.empty()) {
        unplugged_.push_back(devices.front());
        devices.erase(devices.begin());
    }
    lost_ = open;
    pedal.PowerOff();
}

void EmulatedDriver::Plug() {
    devices.insert(devices.begin(), unplugged_.begin(), unplugged_.end());
    unplugged_.clear();
}

FtStatus EmulatedDriver::Injected(Call call) const {
    ++calls[call];
    const auto found = failures_.find(call);
    return found == failures_.end() ? ft::OK : found->second;
}

FtStatus EmulatedDriver::Opened(FtHandle handle, Call call) const {
    if (const FtStatus status = Injected(call); status != ft::OK) {
        return status;
    }
    if (lost_ && call != Call::Close) {
        return ft::IO_ERROR;
    }
    return open && handle == kHandle ? ft::OK : ft::INVALID_HANDLE;
}

FtStatus EmulatedDriver::ListDeviceCount(std::uint32_t& count) {
    if (const FtStatus status = Injected(Call::ListDeviceCount); status != ft::OK) {
        return status;
    }
    count = static_cast<std::uint32_t>(devices.size());
    return ft::OK;
}

FtStatus EmulatedDriver::ListDeviceByIndex(std::uint32_t index, std::uint32_t flags,
                                           FtListText& text) {
    if (const FtStatus status = Injected(Call::ListDeviceByIndex); status != ft::OK) {
        return status;
    }
    if (index >= devices.size() || (flags & ft::LIST_BY_INDEX) == 0) {
        return ft::DEVICE_NOT_FOUND;
    }
    const Device& device = devices[index];
    const std::string& value =
        (flags & ft::OPEN_BY_DESCRIPTION) != 0 ? device.description : device.serialNumber;
    FillListText(text, value);
    return ft::OK;
}

FtStatus EmulatedDriver::OpenEx(const char* serialNumber, std::uint32_t flags, FtHandle& handle) {
    if (const FtStatus status = Injected(Call::OpenEx); status != ft::OK) {
        return status;
    }
    if (flags != ft::OPEN_BY_SERIAL_NUMBER || devices.empty() ||
        devices.front().serialNumber != serialNumber || open) {
        return ft::DEVICE_NOT_FOUND;
    }
    open = true;
    openedSerialNumber = serialNumber;
    handle = kHandle;
    return ft::OK;
}

FtStatus EmulatedDriver::Close(FtHandle handle) {
    const FtStatus status = Opened(handle, Call::Close);
    if (status == ft::OK) {
        open = false;
        lost_ = false;
    }
    return status;
}

FtStatus EmulatedDriver::SetBaudRate(FtHandle handle, std::uint32_t rate) {
    const FtStatus status = Opened(handle, Call::SetBaudRate);
    if (status == ft::OK) {
        baudRate = rate;
    }
    return status;
}

FtStatus EmulatedDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t bits,
                                                std::uint8_t stops, std::uint8_t parityMode) {
    const FtStatus status = Opened(handle, Call::SetDataCharacteristics);
    if (status == ft::OK) {
        wordLength = bits;
        stopBits = stops;
        parity = parityMode;
        pedal.state.hostParity = parityMode != 0;
    }
    return status;
}

FtStatus EmulatedDriver::Purge(FtHandle handle, std::uint32_t mask) {
    const FtStatus status = Opened(handle, Call::Purge);
    if (status == ft::OK && (mask & ft::PURGE_RX) != 0) {
        pedal.DiscardArrived(clock_.NowMs());
    }
    ScheduleArrival();
    return status;
}

FtStatus EmulatedDriver::GetQueueStatus(FtHandle handle, std::uint32_t& rxBytes) {
    const FtStatus status = Opened(handle, Call::GetQueueStatus);
    if (status == ft::OK) {
        rxBytes = static_cast<std::uint32_t>(pedal.Available(clock_.NowMs()));
    }
    ScheduleArrival();
    return status;
}

FtStatus EmulatedDriver::Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                              std::uint32_t& bytesRead) {
    const FtStatus status = Opened(handle, Call::Read);
    bytesRead = 0;
    if (status == ft::OK) {
        bytesRead = static_cast<std::uint32_t>(pedal.Take(buffer, toRead, clock_.NowMs()));
    }
    ScheduleArrival();
    return status;
}

FtStatus EmulatedDriver::Write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                               std::uint32_t& bytesWritten) {
    const FtStatus status = Opened(handle, Call::Write);
    bytesWritten = 0;
    if (status == ft::OK) {
        // The bytes of one write leave back to back; a byte written later leaves when the line
        // is free. One that starts less than a bit after the previous ended has no gap.
        const double baud = baudRate > 0 ? baudRate : 115200.0;
        const double bitUs = 1e6 / baud;
        const double byteUs = bitUs * (parity != 0 ? 11 : 10);
        const auto nowUs = static_cast<double>(clock_.NowUs());
        const bool paced = paceBaud_ > 0 && pedal.state.inBootloader;
        std::vector<bool> gapless(toWrite);
        for (std::uint32_t i = 0; i < toWrite; ++i) {
            const double start = std::max(nowUs, lineFreeUs_);
            gapless[i] = lineUsed_ && start < lineFreeUs_ + bitUs;
            lineFreeUs_ = start + byteUs;
            lineUsed_ = true;
            if (paced) {
                // Each byte reaches the pedal once the line has carried it.
                pedal.Receive(buffer + i, 1, static_cast<std::int64_t>(lineFreeUs_ / 1000.0),
                              {gapless[i]});
            }
        }
        if (!paced) {
            pedal.Receive(buffer, toWrite, clock_.NowMs(), gapless);
        }
        writeSizes.push_back(toWrite);
        bytesWritten = toWrite;
        ScheduleArrival();
        NotifyEvent();
    }
    return status;
}

} // namespace corvid
