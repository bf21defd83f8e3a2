#include "presets/History.h"

#include "preferences/DataFolder.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <array>
#include <cctype>
#include <system_error>
#include <utility>

namespace corvid {

namespace fs = std::filesystem;

namespace {

constexpr std::array<const char*, 6> kOperations = {
    "Save Parameters", "Assign",  "Set Footswitch Mode",
    "Set Tuning",      "Restore", "Firmware Upgrade"};

// "Save Parameters" -> "save-parameters".
std::string Slug(const std::string& operation) {
    std::string slug;
    for (char c : operation) {
        slug += c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return slug;
}

} // namespace

std::optional<PresetValues> ValuesOfStateFile(const std::string& bytes, std::string& reason) {
    std::string backupReason;
    if (const std::optional<PedalBackup> backup = ParseBackup(bytes, backupReason)) {
        return backup->device.values;
    }
    std::string presetReason;
    std::optional<PresetValues> preset = ParsePreset(bytes, presetReason);
    if (!preset) {
        reason = "neither a backup (" + backupReason + ") nor a preset (" + presetReason + ")";
    }
    return preset;
}

std::optional<PresetValues> ReadStateFile(const fs::path& file, std::string& reason) {
    QFile in(QString::fromStdU16String(file.u16string()));
    if (!in.open(QIODevice::ReadOnly)) {
        reason = in.errorString().toStdString();
        return std::nullopt;
    }
    return ValuesOfStateFile(in.read(1 << 20).toStdString(), reason);
}

bool PedalHistory::Record(const std::optional<PedalBackup>& lastRead, const std::string& operation,
                          const std::string& nowUtc) {
    if (!lastRead) {
        log_.PrintToConsole("history: " + kNothingRead);
        return false;
    }
    std::error_code error;
    fs::create_directories(folder_, error);
    // Two operations in one millisecond still follow each other in the list.
    std::string time = nowUtc;
    const std::vector<HistoryEntry> kept = Entries();
    if (!kept.empty()) {
        std::string newest = kept.back().file.filename().string().substr(0, 24);
        newest[13] = ':';
        newest[16] = ':';
        if (time <= newest) {
            time = QDateTime::fromString(QString::fromStdString(newest), Qt::ISODateWithMs)
                       .addMSecs(1)
                       .toString(Qt::ISODateWithMs)
                       .toStdString();
        }
    }
    std::string stamp = time;
    std::replace(stamp.begin(), stamp.end(), ':', '-');
    const fs::path file = folder_ / (stamp + " " + Slug(operation) + ".json");
    PedalBackup backup = *lastRead;
    backup.saved = time;
    std::string reason;
    if (error || !WriteFileAtomically(file, BackupJson(backup), reason)) {
        dialogs_.ShowMessage("The pedal's history could not be written: " +
                             (error ? error.message() : reason));
        return false;
    }
    log_.PrintToConsole("history: " + file.filename().string());
    // The oldest go once there are more than kKept, the one just written counted.
    for (std::size_t i = 0; i + kKept < kept.size() + 1; ++i) {
        fs::remove(kept[i].file, error);
    }
    return true;
}

std::vector<HistoryEntry> PedalHistory::Entries() const {
    std::vector<HistoryEntry> entries;
    std::error_code error;
    for (const fs::directory_entry& item : fs::directory_iterator(folder_, error)) {
        const std::string name = item.path().filename().string();
        // "YYYY-MM-DDTHH-MM-SS.mmmZ operation.json"
        const std::size_t space = name.find(' ');
        if (!item.is_regular_file() || space != 24 || !name.ends_with(".json")) {
            continue;
        }
        const std::string slug = name.substr(space + 1, name.size() - space - 6);
        const auto known = std::find_if(kOperations.begin(), kOperations.end(),
                                        [&](const char* op) { return Slug(op) == slug; });
        if (known == kOperations.end()) {
            continue;
        }
        std::string time = name.substr(0, 19);
        time[10] = ' ';
        time[13] = ':';
        time[16] = ':';
        entries.push_back({item.path(), time, *known});
    }
    std::sort(entries.begin(), entries.end(), [](const HistoryEntry& a, const HistoryEntry& b) {
        return a.file.filename() < b.file.filename();
    });
    return entries;
}

std::optional<PedalBackup> PedalHistory::Read(const HistoryEntry& entry, std::string& reason) {
    QFile in(QString::fromStdU16String(entry.file.u16string()));
    if (!in.open(QIODevice::ReadOnly)) {
        reason = in.errorString().toStdString();
        return std::nullopt;
    }
    return ParseBackup(in.read(1 << 20).toStdString(), reason);
}

std::vector<std::string> PedalHistory::Changes(std::size_t index,
                                               const ParameterSet& addresses) const {
    const std::vector<HistoryEntry> entries = Entries();
    if (index == 0 || index >= entries.size()) {
        return {};
    }
    std::string reason;
    const std::optional<PedalBackup> before = Read(entries[index - 1], reason);
    const std::optional<PedalBackup> now = Read(entries[index], reason);
    if (!before || !now) {
        return {};
    }
    return BackupDifferences(*before, *now, "before", "now", &addresses);
}

} // namespace corvid
