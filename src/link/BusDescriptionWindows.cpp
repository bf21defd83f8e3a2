// Reads the bus-reported device description through SetupAPI (Windows only).
#include "link/BusDescription.h"

// The GUIDs and property keys are defined here, so initguid.h comes right after windows.h.
// clang-format off
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <devpkey.h>
#include <setupapi.h>
// clang-format on

#include <array>
#include <cwchar>

namespace corvid {

namespace {

std::wstring Wide(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 1) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size);
    wide.resize(static_cast<std::size_t>(size - 1));
    return wide;
}

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size - 1));
    return utf8;
}

// The port's name ("COM3") as the Ports class keeps it in the device's registry key.
std::wstring PortNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    const HKEY key =
        SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    // One character more than offered, so the value always ends in a NUL.
    std::array<wchar_t, 257> name{};
    DWORD size = static_cast<DWORD>((name.size() - 1) * sizeof(wchar_t));
    DWORD type = 0;
    const LONG status = RegQueryValueExW(key, L"PortName", nullptr, &type,
                                         reinterpret_cast<BYTE*>(name.data()), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? std::wstring(name.data()) : std::wstring();
}

} // namespace

std::string BusReportedDescription(const std::string& portName) {
    const std::wstring wanted = Wide(portName);
    if (wanted.empty()) {
        return {};
    }
    const HDEVINFO devices =
        SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string description;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device) != FALSE; ++index) {
        if (_wcsicmp(PortNameOf(devices, device).c_str(), wanted.c_str()) != 0) {
            continue;
        }
        std::array<wchar_t, 257> text{};
        DEVPROPTYPE type = 0;
        if (SetupDiGetDevicePropertyW(devices, &device, &DEVPKEY_Device_BusReportedDeviceDesc,
                                      &type, reinterpret_cast<BYTE*>(text.data()),
                                      static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t)),
                                      nullptr, 0) != FALSE &&
            type == DEVPROP_TYPE_STRING) {
            description = Utf8(text.data());
        }
        break;
    }
    SetupDiDestroyDeviceInfoList(devices);
    return description;
}

} // namespace corvid
