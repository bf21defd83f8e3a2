#pragma once

#include "base/Services.h"
#include "parameters/FXsettings.h"
#include "preferences/DataFolder.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// A preset file: a UTF-8 byte order mark, then the fifteen parameter values in slot order, each
// as 8 upper-case hex digits, with a carriage return between lines and none after the last.
inline constexpr std::size_t presetLineCount = parameterCount;
inline constexpr std::size_t presetDigits = 8;
inline constexpr std::size_t presetFileSize = 3 + presetLineCount * presetDigits + 14;

// The fifteen values as the file holds them (without the byte order mark).
std::string BuildPresetText(const ParameterSet& parameters);
// The four 2-character groups of a field in reverse order; groups past a short field's end are
// absent.
std::string SwapHexBytes(const std::string& field);
// Reads a preset file's bytes. Only a preset is accepted: an optional byte order mark, exactly
// fifteen lines of exactly eight hex digits (either case), each ended by CR, LF or CR LF, the
// last one optionally. The values, or nullopt and a reason that names the line.
std::optional<PresetValues> ParsePreset(const std::string& bytes, std::string& error);
// The values as the text the editor logs after loading: every line ended by CR LF.
std::string PresetLogText(const PresetValues& values);
// Puts each slot's field of that text into its value: the field at 10 x slot, its byte groups
// swapped, read pair by pair into the value from the least significant byte up.
void ApplyPresetText(const std::string& text, ParameterSet& parameters);
// Writes the preset through a temporary file renamed over the target, so a failed save leaves
// an existing file as it was.
// The file's bytes: the byte order mark and the text.
std::string PresetFileBytes(const std::string& text);
bool WritePresetBytes(const std::filesystem::path& path, const std::string& text,
                      std::string& error);
// Reads and checks a preset file.
std::optional<PresetValues> ReadPresetValues(const std::filesystem::path& path, std::string& error);

// Save Preset, Load Preset and the recent presets over the session's parameters.
class Presets {
public:
    inline static const std::string kPresetFolderName = "Preset";
    inline static const std::string kRecentFileName = "RecentPresets.txt";
    static constexpr std::size_t kRecentCount = 5;

    Presets(DataFolder& dataFolder, FXsettings& fx, Log& log, Dialogs& dialogs)
        : dataFolder_(dataFolder), fx_(fx), log_(log), dialogs_(dialogs) {}

    std::filesystem::path PresetFolder() const;
    // Save Preset: the values held now, to a file the user chooses. True when it was written.
    bool SavePreset();
    bool WritePresetFile(const std::string& text);
    // Load Preset: a file the user chooses replaces the values, which go to the pedal and the
    // parameter window. True when a preset was loaded and sent.
    bool LoadPreset();
    // Logs the values and those that change, then loads them into the pedal (FXsettings::
    // LoadValues): the number of writes, or nullopt when one failed.
    std::optional<int> LoadValues(const PresetValues& values);
    // Loads a file named without a dialog (a recent preset, a dropped file).
    bool LoadPresetFrom(const std::filesystem::path& path);
    // The last five presets saved or loaded, most recent first, as the data folder keeps them.
    void ReadRecentPresets();

private:
    FileDialogRequest DialogRequest(const std::string& title) const;
    // The open dialog and the file read; the values, or nullopt when nothing was read.
    std::optional<PresetValues> ReadPresetFile();
    std::optional<PresetValues> ReadAndReport(const std::filesystem::path& path);
    // Logs the text and the values that change, then loads them; false when nothing was loaded
    // or a write failed.
    bool ApplyLoaded(const std::optional<PresetValues>& values);
    void RememberRecent(const std::filesystem::path& path);
    std::filesystem::path RecentFile() const;

    DataFolder& dataFolder_;
    FXsettings& fx_;
    Log& log_;
    Dialogs& dialogs_;
};

} // namespace corvid
