#include "core/DiagnosticReport.h"

#include "core/SessionModules.h"
#include "link/HexMessage.h"

#include <QDateTime>
#include <QJsonArray>
#include <QSerialPortInfo>
#include <QString>
#include <QSysInfo>

#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

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

// What the report says, gathered once for its text and its JSON.
struct SerialPortFacts {
    std::string port;
    std::string vendorId; // four hex digits, or "----" when the system does not say
    std::string productId;
    std::string description;
    std::string serialNumber;
};
struct ReportFacts {
    std::string written;
    std::string qtVersion = qVersion();
    std::string system;
    std::vector<SerialPortFacts> ports;
    std::vector<std::pair<std::string, std::string>> settingsFiles;
    // The doctor's last run in this session; without one, the machine's checks (no line check:
    // a report does not talk to the pedal).
    std::vector<DoctorCheck> doctor;
};

ReportFacts Gather(const SessionInternals::Modules& s) {
    ReportFacts facts;
    facts.written = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    facts.system = QSysInfo::prettyProductName().toStdString() + " (" +
                   QSysInfo::kernelType().toStdString() + " " +
                   QSysInfo::kernelVersion().toStdString() + ", " +
                   QSysInfo::currentCpuArchitecture().toStdString() + ")";
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        const auto id = [](bool has, quint16 value) {
            return has ? HexField(value, 4) : std::string("----");
        };
        facts.ports.push_back({port.systemLocation().toStdString(),
                               id(port.hasVendorIdentifier(), port.vendorIdentifier()),
                               id(port.hasProductIdentifier(), port.productIdentifier()),
                               port.description().toStdString(),
                               port.serialNumber().toStdString()});
    }
    for (const std::filesystem::path& path :
         {s.dataFolder.ShowUpdateSettingPath(), s.look.LookFile()}) {
        facts.settingsFiles.emplace_back(path.string(), SettingsFile(path));
    }
    facts.doctor = s.lastDoctor;
#ifndef _WIN32
    if (facts.doctor.empty()) {
        std::string lineNotTried;
        facts.doctor = CheckSystem(SystemView::ThisMachine(), "", lineNotTried);
    }
#endif
    return facts;
}

} // namespace

std::string DiagnosticReport(const Session& session, const std::string& consoleText) {
    const SessionInternals::Modules& s = SessionInternals::Of(session);
    const ReportFacts facts = Gather(s);
    std::string r = "Corvid Editor diagnostic report\n";
    r += "Written: " + facts.written + "\n\n";
    r += "Editor version: " + s.updates.editorVersion + "\n";
    r += "Qt version: " + facts.qtVersion + "\n";
    r += "System: " + facts.system + "\n\n";

    r += "Serial ports:\n";
    for (const SerialPortFacts& port : facts.ports) {
        r += "  " + port.port + "  " + port.vendorId + ":" + port.productId + "  \"" +
             port.description + "\"  serial \"" + port.serialNumber + "\"\n";
    }
    if (facts.ports.empty()) {
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
        r += "  firmware " + s.state.versions.firmware + ", algorithm " +
             s.state.versions.algorithm + ", effect " + s.state.versions.effect + "\n  " +
             BytesToHex(s.communication.replyBytes.data(), s.communication.replyBytes.size(), " ") +
             "\n";
    }
    r += "\nConnection doctor:\n";
    r += facts.doctor.empty() ? "  (not run)\n" : FindingsText(facts.doctor, "  ");
    r += "\nSettings files:\n";
    for (const auto& [path, text] : facts.settingsFiles) {
        r += "  " + path + ": " + text + "\n";
    }
    r += "\nDebug console:\n" + consoleText + "\n";
    return r;
}

QJsonObject DiagnosticReportJson(const Session& session, const std::string& consoleText) {
    const SessionInternals::Modules& s = SessionInternals::Of(session);
    const ReportFacts facts = Gather(s);
    const auto text = [](const std::string& value) { return QString::fromStdString(value); };
    QJsonArray ports;
    for (const SerialPortFacts& port : facts.ports) {
        ports.append(QJsonObject{{"port", text(port.port)},
                                 {"vendorId", text(port.vendorId)},
                                 {"productId", text(port.productId)},
                                 {"description", text(port.description)},
                                 {"serialNumber", text(port.serialNumber)}});
    }
    QJsonObject connection{{"serialNumber", text(s.communication.deviceSerialNumber)},
                           {"open", s.d2xx.deviceOpen},
                           {"disconnected", s.d2xx.deviceGone},
                           {"firmwareUpgradeMode", s.communication.firmwareUpgradeMode},
                           {"algorithm", text(s.algorithms.selectedEffectName)}};
    QJsonValue device = QJsonValue::Null;
    if (const std::optional<DeviceInfo>& info = s.state.deviceInfo) {
        device = QJsonObject{{"firmwareVersion", info->firmwareVersion},
                             {"algorithmVersion", info->algorithmVersion},
                             {"effectNumber", info->effectNumber},
                             {"reply", text(BytesToHex(s.communication.replyBytes.data(),
                                                       s.communication.replyBytes.size(), " "))}};
    }
    QJsonArray doctor;
    for (const DoctorCheck& check : facts.doctor) {
        doctor.append(QJsonObject{{"name", text(check.name)},
                                  {"status", text(StatusWord(check.status))},
                                  {"cause", text(check.cause)},
                                  {"fix", text(check.fix)}});
    }
    QJsonArray files;
    for (const auto& [path, contents] : facts.settingsFiles) {
        files.append(QJsonObject{{"path", text(path)}, {"text", text(contents)}});
    }
    return QJsonObject{{"written", text(facts.written)},
                       {"editorVersion", text(s.updates.editorVersion)},
                       {"qtVersion", text(facts.qtVersion)},
                       {"system", text(facts.system)},
                       {"serialPorts", ports},
                       {"connection", connection},
                       {"deviceInformation", device},
                       {"doctor", doctor},
                       {"settingsFiles", files},
                       {"console", text(consoleText)}};
}

} // namespace corvid
