#include "link/SerialPortDriver.h"

#include <QFileInfo>

#ifdef _WIN32
#include "link/BusDescription.h"
#endif

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

#include <cerrno>
#include <cstring>

#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>
#include <utility>

namespace corvid {

namespace {

constexpr int kWriteBaseLimitMs = 2000;

bool IsLinkLost(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
           error == QSerialPort::WriteError;
}

} // namespace

bool RequestLowLatency(SerialHandle port, std::string& refusal) {
#ifdef __linux__
    serial_struct settings{};
    if (ioctl(port, TIOCGSERIAL, &settings) != 0) {
        refusal = std::strerror(errno);
        return false;
    }
    settings.flags |= ASYNC_LOW_LATENCY;
    if (ioctl(port, TIOCSSERIAL, &settings) != 0) {
        refusal = std::strerror(errno);
        return false;
    }
    return true;
#else
    (void)port;
    refusal = "not offered by this system";
    return false;
#endif
}

SerialPortDriver::SerialPortDriver(Clock& clock, std::vector<std::string> extraPorts)
    : clock_(clock), extraPorts_(std::move(extraPorts)) {}

SerialPortDriver::~SerialPortDriver() = default;

std::vector<SerialPortDriver::Entry> SerialPortDriver::Enumerate() const {
    std::vector<Entry> entries;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.hasVendorIdentifier() && info.vendorIdentifier() == kFtdiVendorId) {
            std::string description = info.description().toStdString();
#ifdef _WIN32
            // Windows describes the port by its driver; the label and Scan need the bridge's own
            // product string.
            if (std::string bus = BusReportedDescription(info.portName().toStdString());
                !bus.empty()) {
                description = std::move(bus);
            }
#endif
            entries.push_back({info.serialNumber().toStdString(), std::move(description),
                               info.systemLocation().toStdString()});
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.portName < b.portName; });
    // A port named on the command line is listed while it is there, so it can come and go.
    for (const std::string& path : extraPorts_) {
        if (QFileInfo::exists(QString::fromStdString(path))) {
            entries.push_back({path, "FT230X Basic UART", path});
        }
    }
    return entries;
}

std::string SerialPortDriver::PortName(std::uint32_t index) const {
    const std::vector<Entry> entries = Enumerate();
    return index < entries.size() ? entries[index].portName : std::string();
}

FtStatus SerialPortDriver::ListDeviceCount(std::uint32_t& count) {
    count = static_cast<std::uint32_t>(Enumerate().size());
    return ft::OK;
}

FtStatus SerialPortDriver::ListDeviceByIndex(std::uint32_t index, std::uint32_t flags,
                                             FtListText& text) {
    const std::vector<Entry> entries = Enumerate();
    if (index >= entries.size() || (flags & ft::LIST_BY_INDEX) == 0) {
        return ft::DEVICE_NOT_FOUND;
    }
    const std::string& value = (flags & ft::OPEN_BY_DESCRIPTION) != 0 ? entries[index].description
                                                                      : entries[index].serialNumber;
    FillListText(text, value);
    return ft::OK;
}

FtStatus SerialPortDriver::OpenEx(const char* serialNumber, std::uint32_t flags, FtHandle& handle) {
    if (flags != ft::OPEN_BY_SERIAL_NUMBER) {
        return ft::INVALID_PARAMETER;
    }
    const std::vector<Entry> entries = Enumerate();
    const auto entry = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) {
        return !e.serialNumber.empty() && e.serialNumber == serialNumber;
    });
    if (entry == entries.end()) {
        return ft::DEVICE_NOT_FOUND;
    }
    auto serial = std::make_unique<QSerialPort>();
    serial->setPortName(QString::fromStdString(entry->portName));
    if (!serial->open(QIODevice::ReadWrite)) {
        return ft::DEVICE_NOT_OPENED;
    }
    serial->setFlowControl(QSerialPort::NoFlowControl);
    // Received bytes are handed over at once instead of after the driver's 16 ms: every reply
    // and every bootloader ACK waits on it.
    std::string refusal;
    if (!RequestLowLatency(serial->handle(), refusal) &&
        lowLatencyRefused_.insert(entry->portName).second) {
        Note("low latency not available on " + entry->portName + " (" + refusal +
             "); used as it is");
    }
    const FtHandle opened = nextHandle_++;
    Port& port = ports_[opened];
    port.serial = std::move(serial);
    QSerialPort* raw = port.serial.get();
    QObject::connect(raw, &QSerialPort::errorOccurred, raw,
                     [this, opened](QSerialPort::SerialPortError error) {
                         const auto found = ports_.find(opened);
                         // The port is closed once the call that met the error has returned.
                         if (found != ports_.end() && IsLinkLost(error)) {
                             found->second.lost = true;
                             NotifyEvent();
                         }
                     });
    QObject::connect(raw, &QSerialPort::readyRead, raw, [this] { NotifyEvent(); });
    QObject::connect(raw, &QSerialPort::bytesWritten, raw, [this] { NotifyEvent(); });
    handle = opened;
    return ft::OK;
}

FtStatus SerialPortDriver::Find(FtHandle handle, Port*& port) {
    const auto found = ports_.find(handle);
    if (found == ports_.end()) {
        return ft::INVALID_HANDLE;
    }
    port = &found->second;
    return Settle(*port);
}

FtStatus SerialPortDriver::Settle(Port& port) {
    if (!port.lost) {
        return ft::OK;
    }
    if (port.serial->isOpen()) {
        port.serial->close();
    }
    return ft::IO_ERROR;
}

FtStatus SerialPortDriver::Close(FtHandle handle) {
    const auto found = ports_.find(handle);
    if (found == ports_.end()) {
        return ft::INVALID_HANDLE;
    }
    // An unplugged bridge closes without complaint, so the editor can return to "no device".
    found->second.serial->close();
    ports_.erase(found);
    return ft::OK;
}

FtStatus SerialPortDriver::SetBaudRate(FtHandle handle, std::uint32_t baudRate) {
    Port* port = nullptr;
    if (const FtStatus status = Find(handle, port); status != ft::OK) {
        return status;
    }
    return port->serial->setBaudRate(static_cast<qint32>(baudRate)) ? ft::OK
                                                                    : ft::INVALID_BAUD_RATE;
}

FtStatus SerialPortDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity) {
    Port* port = nullptr;
    if (const FtStatus status = Find(handle, port); status != ft::OK) {
        return status;
    }
    // The D2XX encodings: 7 or 8 data bits; stop bits 0 = one, 2 = two; parity 0 none, 1 odd,
    // 2 even, 3 mark, 4 space.
    static constexpr QSerialPort::Parity parities[] = {
        QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
        QSerialPort::MarkParity, QSerialPort::SpaceParity};
    if ((wordLength != 7 && wordLength != 8) || (stopBits != 0 && stopBits != 2) || parity > 4) {
        return ft::INVALID_PARAMETER;
    }
    QSerialPort& serial = *port->serial;
    const QSerialPort::DataBits dataBits = serial.dataBits();
    const QSerialPort::StopBits stop = serial.stopBits();
    const QSerialPort::Parity before = serial.parity();
    const bool applied =
        serial.setDataBits(wordLength == 8 ? QSerialPort::Data8 : QSerialPort::Data7) &&
        serial.setStopBits(stopBits == 0 ? QSerialPort::OneStop : QSerialPort::TwoStop) &&
        serial.setParity(parities[parity]) && serial.setFlowControl(QSerialPort::NoFlowControl);
    if (applied) {
        return ft::OK;
    }
    // A port that is gone says so; one that only refuses the setting (a pseudo-terminal refuses
    // parity) keeps what it had and stays usable.
    if (serial.error() == QSerialPort::ResourceError) {
        return ft::IO_ERROR;
    }
    serial.clearError();
    serial.setDataBits(dataBits);
    serial.setStopBits(stop);
    serial.setParity(before);
    serial.clearError();
    return ft::INVALID_PARAMETER;
}

FtStatus SerialPortDriver::Purge(FtHandle handle, std::uint32_t mask) {
    Port* port = nullptr;
    if (const FtStatus status = Find(handle, port); status != ft::OK) {
        return status;
    }
    QSerialPort::Directions directions;
    if ((mask & ft::PURGE_RX) != 0) {
        directions |= QSerialPort::Input;
    }
    // Writes return once their bytes have left this side, so only bytes still held here are
    // stale; what the system has taken is a message on its way, and cutting it short would
    // corrupt it (on a pseudo-terminal it would even drop what the far side has not read yet).
    if ((mask & ft::PURGE_TX) != 0 && port->serial->bytesToWrite() > 0) {
        directions |= QSerialPort::Output;
    }
    if (directions != QSerialPort::Directions()) {
        port->serial->clear(directions);
    }
    return ft::OK;
}

FtStatus SerialPortDriver::GetQueueStatus(FtHandle handle, std::uint32_t& rxBytes) {
    Port* port = nullptr;
    if (const FtStatus status = Find(handle, port); status != ft::OK) {
        return status;
    }
    // Collect whatever the system has received so far, without waiting.
    if (!port->serial->waitForReadyRead(0) && port->serial->error() == QSerialPort::TimeoutError) {
        port->serial->clearError();
    }
    if (const FtStatus status = Settle(*port); status != ft::OK) {
        return status;
    }
    rxBytes = static_cast<std::uint32_t>(port->serial->bytesAvailable());
    return ft::OK;
}

FtStatus SerialPortDriver::Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                                std::uint32_t& bytesRead) {
    bytesRead = 0;
    Port* port = nullptr;
    if (const FtStatus status = Find(handle, port); status != ft::OK) {
        return status;
    }
    const qint64 got = port->serial->read(reinterpret_cast<char*>(buffer), toRead);
    if (const FtStatus status = Settle(*port); status != ft::OK || got < 0) {
        return ft::IO_ERROR;
    }
    bytesRead = static_cast<std::uint32_t>(got);
    return ft::OK;
}

FtStatus SerialPortDriver::Write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                                 std::uint32_t& bytesWritten) {
    bytesWritten = 0;
    Port* port = nullptr;
    if (const FtStatus status = Find(handle, port); status != ft::OK) {
        return status;
    }
    QSerialPort& serial = *port->serial;
    if (serial.write(reinterpret_cast<const char*>(buffer), toWrite) != qint64{toWrite}) {
        Settle(*port);
        return ft::IO_ERROR;
    }
    // Hand every byte to the system before returning, waiting on the clock (windows keep
    // painting) rather than blocking; the limit covers the transfer time of the largest message
    // at the slowest speed the pedal uses, with room to spare.
    const std::int64_t deadline =
        clock_.NowMs() + kWriteBaseLimitMs + static_cast<std::int64_t>(toWrite / 10);
    serial.flush();
    while (serial.bytesToWrite() > 0 && !port->lost) {
        const std::int64_t left = deadline - clock_.NowMs();
        if (left <= 0) {
            break;
        }
        clock_.Wait(static_cast<int>(left));
        serial.flush();
    }
    if (const FtStatus status = Settle(*port); status != ft::OK) {
        return status;
    }
    const qint64 pending = serial.bytesToWrite();
    bytesWritten = static_cast<std::uint32_t>(qint64{toWrite} - pending);
    if (pending > 0) {
        if (serial.error() == QSerialPort::TimeoutError) {
            serial.clearError();
        }
        return ft::IO_ERROR;
    }
    return ft::OK;
}

} // namespace corvid
