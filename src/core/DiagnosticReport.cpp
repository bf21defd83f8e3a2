#include "core/DiagnosticReport.h"

#include "core/Session.h"
#include "link/HexMessage.h"

#include <QDateTime>
#include <QSerialPortInfo>
#include <QString>
#include <QSysInfo>

#include <filesystem>

namespace corvid {

namespace {

std::string SettingsFile(const std::filesystem::path& path) {
    std::string text;
    std::string error;
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) {
        return "(none)";
    }
    return ReadSettingsText(path, text, error) ? text : "(unreadable: " + error + ")";
}

} // namespace

std::string DiagnosticReport(const Session& s, const std::string& consoleText) {
    std::string r = "Corvid Editor diagnostic report\n";
    r += "Written: " + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString() + "\n\n";
    r += "Editor version: " + s.updates.editorVersion + "\n";
    r += std::string("Qt version: ") + qVersion() + "\n";
    r += "System: " + QSysInfo::prettyProductName().toStdString() + " (" +
         QSysInfo::kernelType().toStdString() + " " + QSysInfo::kernelVersion().toStdString() +
         ", " + QSysInfo::currentCpuArchitecture().toStdString() + ")\n\n";

    r += "Serial ports:\n";
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& port : ports) {
        const auto id = [](bool has, quint16 value) {
            return has ? HexField(value, 4) : std::string("----");
        };
        r += "  " + port.systemLocation().toStdString() + "  " +
             id(port.hasVendorIdentifier(), port.vendorIdentifier()) + ":" +
             id(port.hasProductIdentifier(), port.productIdentifier()) + "  \"" +
             port.description().toStdString() + "\"  serial \"" + port.serialNumber().toStdString() +
             "\"\n";
    }
    if (ports.isEmpty()) {
        r += "  (none)\n";
    }
    r += "\nConnection:\n";
    r += "  device serial: " + s.communication.deviceSerialNumber + "\n";
    r += std::string("  open: ") + (s.d2xx.deviceOpen ? "yes" : "no") +
         (s.d2xx.deviceGone ? " (the pedal was disconnected)" : "") + "\n";
    r += std::string("  firmware upgrade mode: ") +
         (s.communication.firmwareUpgradeMode ? "on" : "off") + "\n";
    r += "  selected algorithm: " + s.algorithms.selectedEffectName + "\n";
    r += "\nLast device information:\n";
    if (s.communication.replyBytes.empty()) {
        r += "  (none read)\n";
    } else {
        r += "  firmware " + s.communication.firmwareVersionText + ", algorithm " +
             s.communication.algorithmVersionText + ", effect " + s.communication.effectNumberText +
             "\n  " + BytesToHex(s.communication.replyBytes.data(), s.communication.replyBytes.size(), " ") +
             "\n";
    }
    r += "\nSettings files:\n";
    const DataFolder& folder = s.dataFolder;
    r += "  " + folder.ShowUpdateSettingPath().string() + ": " +
         SettingsFile(folder.ShowUpdateSettingPath()) + "\n";
    r += "  " + s.look.LookFile().string() + ": " + SettingsFile(s.look.LookFile()) + "\n";
    r += "\nDebug console:\n" + consoleText + "\n";
    return r;
}

} // namespace corvid
