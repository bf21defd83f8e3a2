#pragma once

#include "base/Services.h"
#include "presets/Backup.h"
#include "presets/Presets.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// The fifteen values a file holds: a backup (a history entry is one) or a preset; nullopt with
// the reason for both.
std::optional<PresetValues> ValuesOfStateFile(const std::string& bytes, std::string& reason);
// The same, read from a file.
std::optional<PresetValues> ReadStateFile(const std::filesystem::path& file, std::string& reason);

// One recorded state of the pedal: when, before which operation, and the file holding it.
struct HistoryEntry {
    std::filesystem::path file;
    // "2026-12-11 02:15:03" (UTC), from the file's name.
    std::string time;
    // "Save Parameters", "Assign", "Set Footswitch Mode", "Set Tuning", "Restore" or
    // "Firmware Upgrade".
    std::string operation;
};

// The pedal's history: before an operation overwrites what the pedal stores, the state last
// read from it is kept as a backup file in the History folder, named by the time and the
// operation ("2026-12-11T02-15-03.123Z save-parameters.json"); the newest kKept stay.
class PedalHistory {
public:
    static constexpr std::size_t kKept = 100;
    inline static const std::string kFolderName = "History";
    inline static const std::string kNothingRead =
        "Nothing was read from the pedal in this connection, so nothing is recorded before it "
        "is changed";

    PedalHistory(std::filesystem::path folder, Log& log, Dialogs& dialogs)
        : folder_(std::move(folder)), log_(log), dialogs_(dialogs) {}

    const std::filesystem::path& Folder() const { return folder_; }
    // Records `lastRead` (nullopt: nothing read in this connection, which is logged) before
    // `operation`, at `nowUtc` (ISO 8601 with milliseconds). True when a file was written.
    bool Record(const std::optional<PedalBackup>& lastRead, const std::string& operation,
                const std::string& nowUtc);
    // The entries, oldest first.
    std::vector<HistoryEntry> Entries() const;
    // An entry's backup; nullopt with the reason.
    static std::optional<PedalBackup> Read(const HistoryEntry& entry, std::string& reason);
    // What changed from the entry before `index` to it, one line each (nothing for the first),
    // in the controls' terms; `addresses` name what a control holds.
    std::vector<std::string> Changes(std::size_t index, const ParameterSet& addresses) const;

private:
    std::filesystem::path folder_;
    Log& log_;
    Dialogs& dialogs_;
};

} // namespace corvid
