#include "presets/Backup.h"

#include "link/HexMessage.h"
#include "link/PedalCommands.h"
#include "link/PedalMessages.h"
#include "parameters/FXsettings.h"
#include "preferences/DataFolder.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cctype>
#include <functional>

namespace corvid {

PedalBackup BackupFromDeviceInfo(const DeviceInfo& info) {
    return PedalBackup{.serialNumber = {}, .saved = {}, .device = info};
}

namespace {

std::string FootswitchText(std::uint8_t mode) {
    if (mode > 3) {
        return "mode " + std::to_string(mode);
    }
    const auto press = [](bool bypass) { return bypass ? "Bypass" : "Change Preset"; };
    // No comma: the line around it separates before from now with one.
    return std::string("short press ") + press(ShortPressBypasses(mode)) + " / long press " +
           press(LongPressBypasses(mode));
}

std::string ControlText(std::size_t control, bool assigned, std::uint16_t word,
                        const ParameterSet& addresses) {
    if (!assigned) {
        return "Not Assigned";
    }
    if (control == remoteControl) {
        return word == remoteBypassCode   ? "Bypass"
               : word == remotePresetCode ? "Preset"
                                          : "code " + HexField(word, 4);
    }
    for (const std::size_t slot : AssignableSlots(control)) {
        if (addresses.Address(slot) == word) {
            return parameterTable[slot].name;
        }
    }
    return "DSP address " + HexField(word, 4);
}

} // namespace

std::vector<std::string> BackupDifferences(const PedalBackup& a, const PedalBackup& b,
                                           const std::string& aName, const std::string& bName,
                                           const ParameterSet* inTerms) {
    std::vector<std::string> lines;
    const auto differ = [&](const std::string& what, std::uint32_t first, std::uint32_t second,
                            int digits, const std::function<std::string(std::uint32_t)>& terms) {
        if (first != second) {
            const auto said = [&](std::uint32_t value) {
                return inTerms != nullptr ? terms(value) : HexField(value, digits);
            };
            lines.push_back(what + ": " + aName + " " + said(first) + ", " + bName + " " +
                            said(second));
        }
    };
    differ("Footswitch mode", a.device.footswitchMode, b.device.footswitchMode, 2,
           [](std::uint32_t mode) { return FootswitchText(static_cast<std::uint8_t>(mode)); });
    differ("Tuning", a.device.tuning, b.device.tuning, 2, [](std::uint32_t tuning) {
        return tuning < FXsettings::tuningCount ? std::string(FXsettings::tuningNames[tuning])
                                                : "tuning " + std::to_string(tuning);
    });
    for (std::size_t k = 0; k < controlCount; ++k) {
        const std::string name =
            inTerms != nullptr ? std::string(controlNames[k]) : "Control " + std::to_string(k + 1);
        differ(name, (a.device.controlFlags[k] ? 0x10000u : 0u) | a.device.controlWords[k],
               (b.device.controlFlags[k] ? 0x10000u : 0u) | b.device.controlWords[k], 5,
               [&](std::uint32_t word) {
                   return ControlText(k, (word & 0x10000u) != 0,
                                      static_cast<std::uint16_t>(word & 0xFFFFu), *inTerms);
               });
    }
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        differ(parameterTable[slot].name, a.device.values[slot], b.device.values[slot], 8,
               [slot](std::uint32_t value) { return ValueInControlTerms(slot, value); });
    }
    return lines;
}

std::string BackupJson(const PedalBackup& b) {
    QJsonArray controls;
    for (std::size_t k = 0; k < controlCount; ++k) {
        controls.append(QJsonObject{
            {"assigned", b.device.controlFlags[k]},
            {"address", QString::fromStdString(HexField(b.device.controlWords[k], 4))}});
    }
    QJsonArray values;
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        values.append(
            QJsonObject{{"name", parameterTable[slot].name},
                        {"value", QString::fromStdString(HexField(b.device.values[slot], 8))}});
    }
    const QJsonObject root{{"format", QString::fromStdString(PedalBackup::kFormat)},
                           {"formatVersion", PedalBackup::kFormatVersion},
                           {"serialNumber", QString::fromStdString(b.serialNumber)},
                           {"saved", QString::fromStdString(b.saved)},
                           {"firmwareVersion", b.device.firmwareVersion},
                           {"algorithmVersion", b.device.algorithmVersion},
                           {"effectNumber", b.device.effectNumber},
                           {"footswitchMode", b.device.footswitchMode},
                           {"controls", controls},
                           {"tuning", b.device.tuning},
                           {"parameters", values}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

namespace {

std::optional<int> Whole(const QJsonObject& o, const char* key, int low, int high,
                         std::string& reason) {
    const QJsonValue v = o.value(key);
    if (!v.isDouble() || v.toDouble() != static_cast<double>(v.toInt()) || v.toInt() < low ||
        v.toInt() > high) {
        reason = std::string(key) + (v.isUndefined()
                                         ? " is missing"
                                         : " must be a whole number from " + std::to_string(low) +
                                               " to " + std::to_string(high));
        return std::nullopt;
    }
    return v.toInt();
}

std::optional<std::uint32_t> HexValue(const QJsonValue& v, int digits) {
    const QString text = v.toString();
    bool ok = false;
    const std::uint32_t value = text.toUInt(&ok, 16);
    if (!v.isString() || text.size() != digits || !ok) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<PedalBackup> ParseBackup(const std::string& text, std::string& reason) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (doc.isNull() || !doc.isObject()) {
        reason = "not a backup: " +
                 (doc.isNull() ? error.errorString().toStdString() : std::string("no JSON object"));
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    if (o.value("format").toString().toStdString() != PedalBackup::kFormat) {
        reason = "not a Corvid MK3 backup";
        return std::nullopt;
    }
    if (o.value("formatVersion").toInt(-1) != PedalBackup::kFormatVersion) {
        reason = "format version " + std::to_string(o.value("formatVersion").toInt(-1)) +
                 " is not known to this editor (it reads version " +
                 std::to_string(PedalBackup::kFormatVersion) + ")";
        return std::nullopt;
    }
    PedalBackup b;
    b.serialNumber = o.value("serialNumber").toString().toStdString();
    b.saved = o.value("saved").toString().toStdString();
    const auto firmware = Whole(o, "firmwareVersion", 0, 255, reason);
    const auto algorithm = firmware ? Whole(o, "algorithmVersion", 0, 65535, reason) : std::nullopt;
    const auto effect = algorithm ? Whole(o, "effectNumber", 0, 255, reason) : std::nullopt;
    const auto footswitch = effect ? Whole(o, "footswitchMode", 0, 3, reason) : std::nullopt;
    const auto tuning =
        footswitch ? Whole(o, "tuning", 0, FXsettings::tuningCount - 1, reason) : std::nullopt;
    if (!tuning) {
        return std::nullopt;
    }
    b.device.firmwareVersion = static_cast<std::uint8_t>(*firmware);
    b.device.algorithmVersion = static_cast<std::uint16_t>(*algorithm);
    b.device.effectNumber = static_cast<std::uint8_t>(*effect);
    b.device.footswitchMode = static_cast<std::uint8_t>(*footswitch);
    b.device.tuning = static_cast<std::uint8_t>(*tuning);
    const QJsonArray controls = o.value("controls").toArray();
    if (controls.size() != static_cast<qsizetype>(controlCount)) {
        reason = "controls must have " + std::to_string(controlCount) + " entries";
        return std::nullopt;
    }
    for (std::size_t k = 0; k < controlCount; ++k) {
        const QJsonObject c = controls[static_cast<qsizetype>(k)].toObject();
        const std::optional<std::uint32_t> address = HexValue(c.value("address"), 4);
        if (!c.value("assigned").isBool() || !address) {
            reason = "control " + std::to_string(k + 1) +
                     " needs \"assigned\" (true or false) and \"address\" (4 hex digits)";
            return std::nullopt;
        }
        b.device.controlFlags[k] = c.value("assigned").toBool();
        b.device.controlWords[k] = static_cast<std::uint16_t>(*address);
    }
    const QJsonArray values = o.value("parameters").toArray();
    if (values.size() != static_cast<qsizetype>(parameterCount)) {
        reason = "parameters must list the " + std::to_string(parameterCount) + " parameters";
        return std::nullopt;
    }
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        const QJsonObject p = values[static_cast<qsizetype>(slot)].toObject();
        const std::optional<std::uint32_t> value = HexValue(p.value("value"), 8);
        if (p.value("name").toString() != parameterTable[slot].name || !value) {
            reason = "parameter " + std::to_string(slot + 1) + " must be \"" +
                     parameterTable[slot].name + "\" with a value of 8 hex digits";
            return std::nullopt;
        }
        b.device.values[slot] = *value;
    }
    return b;
}

std::string DefaultBackupName(const std::string& serialNumber, const std::string& date) {
    // A port named by its path (/dev/pts/3) has no serial number: the date alone names it.
    const bool serial = !serialNumber.empty() &&
                        std::all_of(serialNumber.begin(), serialNumber.end(), [](unsigned char c) {
                            return std::isalnum(c) != 0 || c == '-' || c == '_';
                        });
    return "corvid-backup-" + (serial ? serialNumber + "-" : std::string()) + date + ".json";
}

std::optional<PedalBackup> PedalBackups::ReadPedal() {
    if (!fx_.ReadPedalState()) {
        return std::nullopt;
    }
    PedalBackup backup = BackupFromDeviceInfo(*fx_.state.deviceInfo);
    backup.serialNumber = link_.deviceSerialNumber;
    return backup;
}

std::optional<std::string> PedalBackups::BackupText() {
    std::optional<PedalBackup> backup = ReadPedal();
    if (!backup) {
        return std::nullopt;
    }
    backup->saved = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    return BackupJson(*backup);
}

bool PedalBackups::BackUp(const std::filesystem::path& file) {
    const std::optional<std::string> text = BackupText();
    if (!text) {
        return false;
    }
    std::string error;
    if (!WriteFileAtomically(file, *text, error)) {
        dialogs_.ShowMessage("Error saving file: " + error);
        return false;
    }
    log_.PrintToConsole("backup written: " + file.string());
    return true;
}

bool PedalBackups::Restore(const std::filesystem::path& file) {
    QFile in(QString::fromStdU16String(file.u16string()));
    std::string reason;
    std::optional<PedalBackup> backup;
    if (!in.open(QIODevice::ReadOnly)) {
        reason = in.errorString().toStdString();
    } else {
        backup = ParseBackup(in.read(1 << 20).toStdString(), reason);
    }
    if (!backup) {
        differences.clear();
        dialogs_.ShowMessage("Error loading file: " + reason);
        return false;
    }
    return Restore(*backup, file.string());
}

bool PedalBackups::Restore(const PedalBackup& backup, const std::string& name) {
    differences.clear();
    // Two reads, a write for each value with an address, store, assign, footswitch, tuning.
    const std::size_t total =
        6 + static_cast<std::size_t>(
                std::count_if(parameterTable.begin(), parameterTable.end(),
                              [](const ParameterInfo& info) { return info.addressField != 0; }));
    std::size_t done = 0;
    const auto step = [&] {
        if (progress) {
            progress(++done, total);
        }
    };
    const std::optional<PedalBackup> now = ReadPedal();
    if (!now) {
        return false;
    }
    step();
    if (now->device.algorithmVersion != backup.device.algorithmVersion &&
        !dialogs_.Confirm(
            {QuestionKind::Risk,
             "The backup was made with algorithm version " +
                 HexField(static_cast<std::uint32_t>(backup.device.algorithmVersion), 4) +
                 "; the pedal has " +
                 HexField(static_cast<std::uint32_t>(now->device.algorithmVersion), 4) +
                 ". Restore anyway?"})) {
        return false;
    }
    if (beforeOverwrite) {
        beforeOverwrite();
    }
    // The live values, then the five stored ones, the assignments, the footswitch and the tuning.
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        if (parameterTable[slot].addressField == 0) {
            fx_.state.parameters.Value(slot) = backup.device.values[slot];
        } else if (!fx_.SendParameterValue(slot, backup.device.values[slot])) {
            return false;
        } else {
            step();
        }
    }
    // Storing purges what has not left yet: let the writes go first.
    clock_.Sleep(FXsettings::kStorePauseMs);
    if (!fx_.StoreParameters()) {
        return false;
    }
    step();
    const std::string assign =
        AssignMessage(backup.device.controlFlags, backup.device.controlWords);
    log_.PrintToConsole("assign message: " + assign);
    if (!link_.SendCommand(command::Assignments, assign)) {
        return false;
    }
    step();
    clock_.Sleep(FXsettings::kAssignPauseMs);
    const std::string footswitch = FootswitchMessage(backup.device.footswitchMode);
    log_.PrintToConsole("footswitch behaviour message: " + footswitch);
    if (!link_.SendCommand(command::Footswitch, footswitch)) {
        return false;
    }
    step();
    // The tuning message purges what has not left yet: let the footswitch message go first.
    clock_.Sleep(FXsettings::kAssignPauseMs);
    if (!tunings_.SetTuning(backup.device.tuning)) {
        return false;
    }
    step();
    const std::optional<PedalBackup> after = ReadPedal();
    if (!after) {
        return false;
    }
    step();
    differences = BackupDifferences(*after, backup, "pedal", "backup");
    for (const std::string& line : differences) {
        log_.PrintToConsole("after restore: " + line);
    }
    if (!differences.empty()) {
        dialogs_.ShowMessage("The pedal differs from the backup after the restore:\r\n" + [&] {
            std::string all;
            for (const std::string& line : differences) {
                all += line + "\r\n";
            }
            return all;
        }());
        return false;
    }
    log_.PrintToConsole("pedal restored from " + name);
    return true;
}

} // namespace corvid
