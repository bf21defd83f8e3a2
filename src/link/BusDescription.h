#pragma once

#include <string>

namespace corvid {

// The product string the USB device behind a serial port reports on the bus ("FT230X Basic
// UART" for the pedal's bridge), for the port's system name ("COM3"); empty when the system
// cannot tell. Windows only: there the serial layer describes every FTDI port by its driver
// ("USB Serial Port"), while Linux and macOS already report the product string.
std::string BusReportedDescription(const std::string& portName);

} // namespace corvid
