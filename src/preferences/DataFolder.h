#pragma once

#include "base/Services.h"
#include "preferences/Settings.h"

#include <filesystem>
#include <string>

namespace corvid {

// The user's data tree under Documents and the "announce a new version" setting.
class DataFolder {
public:
    inline static const std::string kDataFolderName = "KALVO";
    inline static const std::string deviceFolderName = "Corvid MK3";
    inline static const std::string kShowUpdateFileName = "ShowMessageVersionAtStartup.txt";

    DataFolder(std::filesystem::path documents, Settings& settings, Dialogs& dialogs)
        : settings(settings), documents_(std::move(documents)), dialogs_(dialogs) {}

    void CreateDataFolder(const std::string& name);
    void CreateDataSubfolder(const std::string& name, const std::string& subName);
    void ReadShowUpdateSetting();
    // The Info menu's "Show Update Message" was toggled to `checked`.
    void SetShowUpdateMessage(bool checked);
    // The notice window's "Don't Show This Message Again" box changed to `checked`.
    void StopUpdateNotices(bool checked);

    std::filesystem::path DeviceFolder() const;
    std::filesystem::path ShowUpdateSettingPath() const;

    // Creates a folder with any missing levels; a failure is shown as errorPrefix + the reason.
    // True when the folder is there.
    bool CreateFolder(const std::filesystem::path& path, const std::string& errorPrefix);
    std::filesystem::path DataFolderPath() const;

    Settings& settings;

private:
    // Overwrites the setting file only if it exists; a failure is shown, not thrown.
    void RewriteSettingIfPresent(const std::string& text);

    std::filesystem::path documents_;
    Dialogs& dialogs_;
};

// Reads a whole settings file as text: a byte order mark is honoured, otherwise UTF-8 is assumed
// (falling back to the 8-bit code page). Returns false and sets error on failure.
bool ReadSettingsText(const std::filesystem::path& path, std::string& text, std::string& error);
// Writes bytes to a temporary file and renames it over the target once all of them are on disk,
// so a failed write never leaves a damaged file behind. False with the reason otherwise.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes,
                         std::string& reason);
// Writes text as UTF-8 without byte order mark, atomically.
bool WriteSettingsText(const std::filesystem::path& path, const std::string& text,
                       std::string& error);

} // namespace corvid
