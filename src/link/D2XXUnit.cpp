#include "link/D2XXUnit.h"

#include <algorithm>
#include <cstring>

namespace corvid {

std::string D2XXUnit::StatusText(FtStatus status) {
    static constexpr std::array<const char*, 17> texts = {
        " - Invalid handle...",
        " - Device not found...",
        " - Device not opened...",
        " - General IO error...",
        " - Insufficient resources...",
        " - Invalid parameter...",
        " - Invalid baud rate...",
        " Device not opened for erase...",
        " Device not opened for write...",
        " - Failed to write...",
        " - EEPROM read failed...",
        " - EEPROM write failed...",
        " - EEPROM erase failed...",
        " - EEPROM not present...",
        " - EEPROM not programmed...",
        " - Invalid arguments...",
        " - Other error ...",
    };
    if (status == 0 || status > texts.size()) {
        return {};
    }
    return texts[status - 1];
}

void D2XXUnit::ReportFTError(const std::string& operation, FtStatus status) {
    if (status == ft::OK || quiet) {
        return;
    }
    // Statuses without a text of their own show an empty box, as the driver's texts end at 17.
    dialogs_.ShowMessage(status > 17 ? std::string() : operation + StatusText(status));
}

FtStatus D2XXUnit::Checked(const char* operation, FtStatus status) {
    ReportFTError(operation, status);
    return status;
}

FtStatus D2XXUnit::CheckedIo(const char* operation, FtStatus status) {
    if (deviceOpen && !deviceGone && (status == ft::IO_ERROR || status == ft::DEVICE_NOT_FOUND)) {
        ReportFTError(operation, status);
        deviceGone = true;
        if (onDeviceGone) {
            onDeviceGone();
        }
        return status;
    }
    return Checked(operation, status);
}

FtStatus D2XXUnit::GetFTDeviceCount() {
    std::uint32_t count = 0;
    const FtStatus status = driver_.ListDeviceCount(count);
    if (status == ft::OK) {
        ftDeviceCount = count;
    }
    return Checked("GetFTDeviceCount", status);
}

FtStatus D2XXUnit::ListDeviceString(std::uint32_t index, std::uint32_t flags,
                                    const char* operation) {
    FtListText text{};
    const FtStatus status = driver_.ListDeviceByIndex(index, ft::LIST_BY_INDEX | flags, text);
    if (status == ft::OK) {
        ftDeviceString.assign(text.data(), strnlen(text.data(), text.size()));
    }
    return Checked(operation, status);
}

FtStatus D2XXUnit::GetFTDeviceSerialNo(std::uint32_t index) {
    return ListDeviceString(index, ft::OPEN_BY_SERIAL_NUMBER, "GetFTDeviceSerialNo");
}

FtStatus D2XXUnit::GetFTDeviceDescription(std::uint32_t index) {
    return ListDeviceString(index, ft::OPEN_BY_DESCRIPTION, "GetFTDeviceDescription");
}

FtStatus D2XXUnit::Open_USB_Device_By_Serial_Number(const std::string& serialNumber) {
    ftSerialNumberBuffer[0] = '\0';
    const std::size_t length = std::min(serialNumber.size(), kMaxSerialLength);
    std::memcpy(ftSerialNumberBuffer.data(), serialNumber.data(), length);
    ftSerialNumberBuffer[length] = '\0';
    const FtStatus status =
        Checked("Open_USB_Device_By_Serial_Number",
                driver_.OpenEx(ftSerialNumberBuffer.data(), ft::OPEN_BY_SERIAL_NUMBER, ftHandle));
    if (status == ft::OK) {
        deviceOpen = true;
        deviceGone = false;
    }
    return status;
}

FtStatus D2XXUnit::CloseFTDevice() {
    const FtStatus status = Checked("FT_Close", driver_.Close(ftHandle));
    if (status == ft::OK) {
        deviceOpen = false;
    }
    return status;
}

FtStatus D2XXUnit::SetFTBaudRate() {
    if (deviceGone) {
        return ft::IO_ERROR;
    }
    return CheckedIo("FT_SetBaudRate", driver_.SetBaudRate(ftHandle, ftBaudRate));
}

FtStatus D2XXUnit::SetFTDataCharacteristics() {
    if (deviceGone) {
        return ft::IO_ERROR;
    }
    return CheckedIo("FT_SetDataCharacteristics",
                     driver_.SetDataCharacteristics(ftHandle, ftWordLength, ftStopBits, ftParity));
}

FtStatus D2XXUnit::PurgeFTReceive() {
    if (deviceGone) {
        return ft::IO_ERROR;
    }
    return CheckedIo("FT_Purge RX", driver_.Purge(ftHandle, ft::PURGE_RX));
}

FtStatus D2XXUnit::PurgeFTTransmit() {
    if (deviceGone) {
        return ft::IO_ERROR;
    }
    return CheckedIo("FT_Purge TX", driver_.Purge(ftHandle, ft::PURGE_TX));
}

FtStatus D2XXUnit::GetFTQueueStatus() {
    if (deviceGone) {
        return ft::IO_ERROR;
    }
    std::uint32_t queued = 0;
    const FtStatus status = driver_.GetQueueStatus(ftHandle, queued);
    if (status == ft::OK) {
        ftQueueBytes = queued;
    }
    return CheckedIo("FT_GetQueueStatus", status);
}

void D2XXUnit::DiscardQueuedBytes() {
    if (deviceGone) {
        return;
    }
    std::uint32_t queued = 0;
    if (driver_.GetQueueStatus(ftHandle, queued) == ft::OK && queued > 0) {
        driver_.Purge(ftHandle, ft::PURGE_RX);
    }
}

std::uint32_t D2XXUnit::ReadFTDevice(FtStatus* status) {
    if (deviceGone) {
        if (status != nullptr) {
            *status = ft::IO_ERROR;
        }
        return 0;
    }
    // Ask only for what is already queued, so the read returns at once.
    std::uint32_t queued = 0;
    driver_.GetQueueStatus(ftHandle, queued);
    const auto toRead = static_cast<std::uint32_t>(std::min<std::size_t>(queued, kBufferSize));
    std::uint32_t bytesRead = 0;
    const FtStatus read =
        CheckedIo("FT_Read", driver_.Read(ftHandle, ftReceiveBuffer.data(), toRead, bytesRead));
    if (status != nullptr) {
        *status = read;
    }
    return std::min<std::uint32_t>(bytesRead, toRead);
}

std::uint32_t D2XXUnit::WriteFTDevice(std::size_t n) {
    if (deviceGone) {
        return 0;
    }
    const auto count = static_cast<std::uint32_t>(std::min(n, kBufferSize));
    std::uint32_t written = 0;
    CheckedIo("FT_Write", driver_.Write(ftHandle, ftTransmitBuffer.data(), count, written));
    return written;
}

} // namespace corvid
