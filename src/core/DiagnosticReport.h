#pragma once

#include <QJsonObject>

#include <string>

namespace corvid {

class Session;

// What a user attaches to a support mail: the editor and Qt versions, the system, the serial
// ports seen, the connection, the last device information, the settings files and the log.
std::string DiagnosticReport(const Session& session, const std::string& consoleText);
// The same as JSON, in corvid-cli's vocabulary (serialNumber, firmwareVersion, ...).
QJsonObject DiagnosticReportJson(const Session& session, const std::string& consoleText);

} // namespace corvid
