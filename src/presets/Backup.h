#pragma once

#include "base/Services.h"
#include "link/Communication.h"
#include "link/PedalMessages.h"
#include "parameters/FXsettings.h"
#include "tunings/Tunings.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// Everything the editor can read from the pedal, as a backup file holds it.
struct PedalBackup {
    static constexpr int kFormatVersion = 1;
    inline static const std::string kFormat = "corvid-mk3-backup";

    std::string serialNumber;
    std::string saved; // ISO 8601, UTC
    // What the device-information reply held.
    DeviceInfo device{};

    bool operator==(const PedalBackup&) const = default;
};

// The backup of what a device-information reply held.
PedalBackup BackupFromDeviceInfo(const DeviceInfo& info);
// What differs between two backups, one line each ("Dry: pedal 00000000, backup 00400000"),
// the parts named `aName` and `bName`. With `inTerms` (the algorithm's addresses, to name what a
// control holds) in the controls' terms instead ("Control II: before Not Assigned, now Wave
// Clip", "Dry: before level 0/1023, now level 512/1023").
std::vector<std::string> BackupDifferences(const PedalBackup& a, const PedalBackup& b,
                                           const std::string& aName, const std::string& bName,
                                           const ParameterSet* inTerms = nullptr);
// The JSON text of a backup (documented in the README).
std::string BackupJson(const PedalBackup& backup);
// Reads a backup file's text. Only a whole, valid backup of this format version is accepted;
// nullopt with the reason otherwise.
std::optional<PedalBackup> ParseBackup(const std::string& text, std::string& reason);
// "corvid-backup-<serial>-<yyyy-mm-dd>.json"
std::string DefaultBackupName(const std::string& serialNumber, const std::string& date);

// Back Up Pedal and Restore Pedal over the session's link.
class PedalBackups {
public:
    PedalBackups(Communication& link, FXsettings& fx, Tunings& tunings, Log& log, Dialogs& dialogs,
                 Clock& clock)
        : link_(link), fx_(fx), tunings_(tunings), log_(log), dialogs_(dialogs), clock_(clock) {}

    // Reads the pedal: the backup's JSON text, or nullopt (shown).
    std::optional<std::string> BackupText();
    // Reads the pedal and writes the backup to `file` (atomically). True when written.
    bool BackUp(const std::filesystem::path& file);
    // Checks the whole file, then sends its values, the stored values, the assignments, the
    // footswitch mode and the tuning, reads the pedal back and reports any difference. True when
    // the pedal now holds the backup.
    bool Restore(const std::filesystem::path& file);
    // The same for a backup already read and checked; `name` says where it came from (the log).
    bool Restore(const PedalBackup& backup, const std::string& name);

    // What differed after the last restore, one line each ("Dry: pedal 00000000, backup ...").
    std::vector<std::string> differences;
    // Hears a restore's steps as they are done (the reads, each write and each message).
    JobProgress progress = nullptr;
    // Runs once a restore has read the pedal and is about to change it.
    std::function<void()> beforeOverwrite = nullptr;

private:
    std::optional<PedalBackup> ReadPedal();

    Communication& link_;
    FXsettings& fx_;
    Tunings& tunings_;
    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
};

} // namespace corvid
