#include "presets/Presets.h"

#include "link/HexMessage.h"

#include <QFile>

#include <algorithm>
#include <cctype>

namespace corvid {

namespace fs = std::filesystem;

namespace {

const std::string kByteOrderMark = "\xEF\xBB\xBF";

QString ToQString(const fs::path& path) {
    return QString::fromStdU16String(path.u16string());
}

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// A line's text as a reason can quote it: at most 20 characters, control bytes as '?'.
std::string Quoted(const std::string& line) {
    std::string shown = line.substr(0, 20);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            c = '?';
        }
    }
    return "\"" + shown + (line.size() > 20 ? "...\"" : "\"");
}

} // namespace

std::string BuildPresetText(const ParameterSet& parameters) {
    std::string text;
    for (std::size_t slot = 0; slot < presetLineCount; ++slot) {
        if (slot > 0) {
            text += '\r';
        }
        text += HexField(parameters.Value(slot), static_cast<int>(presetDigits));
    }
    return text;
}

std::string SwapHexBytes(const std::string& field) {
    std::string swapped;
    for (std::size_t group = 4; group-- > 0;) {
        if (2 * group < field.size()) {
            swapped += field.substr(2 * group, 2);
        }
    }
    return swapped;
}

std::optional<PresetValues> ParsePreset(const std::string& bytes, std::string& error) {
    std::string text = bytes;
    if (text.starts_with(kByteOrderMark)) {
        text.erase(0, kByteOrderMark.size());
    }
    if (text.empty()) {
        error = "the file is empty";
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", at);
        lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) {
            break;
        }
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    PresetValues values{};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::string name = "line " + std::to_string(i + 1);
        if (i >= presetLineCount) {
            error = name + ": a preset has " + std::to_string(presetLineCount) + " lines";
            return std::nullopt;
        }
        if (line.size() != presetDigits) {
            error = name + " has " + std::to_string(line.size()) + " characters, not " +
                    std::to_string(presetDigits) + ": " + Quoted(line);
            return std::nullopt;
        }
        if (!std::all_of(line.begin(), line.end(), IsHexDigit)) {
            error = name + " is not " + std::to_string(presetDigits) +
                    " hexadecimal digits: " + Quoted(line);
            return std::nullopt;
        }
        values[i] = static_cast<std::uint32_t>(std::stoul(line, nullptr, 16));
    }
    if (lines.size() < presetLineCount) {
        error = "the file has " + std::to_string(lines.size()) + " lines, a preset has " +
                std::to_string(presetLineCount) + " (line " + std::to_string(lines.size() + 1) +
                " is missing)";
        return std::nullopt;
    }
    return values;
}

std::string PresetLogText(const PresetValues& values) {
    std::string text;
    for (std::uint32_t value : values) {
        text += HexField(value, static_cast<int>(presetDigits)) + "\r\n";
    }
    return text;
}

void ApplyPresetText(const std::string& text, ParameterSet& parameters) {
    for (std::size_t slot = 0; slot < presetLineCount; ++slot) {
        const std::size_t at = 10 * slot;
        const std::string field = at < text.size() ? text.substr(at, presetDigits) : std::string();
        const std::string swapped = SwapHexBytes(field);
        std::uint32_t& value = parameters.Value(slot);
        for (std::size_t pair = 0; 2 * pair + 2 <= swapped.size(); ++pair) {
            std::uint8_t byte = 0;
            if (HexToBytes(swapped.substr(2 * pair, 2), &byte, 1) != 1) {
                break;
            }
            const unsigned shift = 8 * static_cast<unsigned>(pair);
            value = (value & ~(0xFFu << shift)) | (std::uint32_t{byte} << shift);
        }
    }
}

std::string PresetFileBytes(const std::string& text) {
    return kByteOrderMark + text;
}

bool WritePresetBytes(const fs::path& path, const std::string& text, std::string& error) {
    return WriteFileAtomically(path, PresetFileBytes(text), error);
}

std::optional<PresetValues> ReadPresetValues(const fs::path& path, std::string& error) {
    QFile file(ToQString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString().toStdString();
        return std::nullopt;
    }
    // Anything much longer than 15 lines is not a preset; no need to read all of it.
    const QByteArray bytes = file.read(4096);
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString().toStdString();
        return std::nullopt;
    }
    return ParsePreset(bytes.toStdString(), error);
}

fs::path Presets::PresetFolder() const {
    return dataFolder_.DeviceFolder() / kPresetFolderName;
}

FileDialogRequest Presets::DialogRequest(const std::string& title) const {
    return {title, "Preset files (*.txt)", "txt", PresetFolder()};
}

bool Presets::SavePreset() {
    return WritePresetFile(BuildPresetText(fx_.state.parameters));
}

bool Presets::WritePresetFile(const std::string& text) {
    if (!dataFolder_.CreateFolder(PresetFolder(), "Error creating folder: ")) {
        return false;
    }
    const fs::path path = dialogs_.SaveFileName(DialogRequest("Save Preset File"));
    if (path.empty()) {
        return false;
    }
    std::string error;
    if (!WritePresetBytes(path, text, error)) {
        dialogs_.ShowMessage("Error saving file: " + error);
        return false;
    }
    dialogs_.ShowMessage("File saved successfully: " + path.string());
    RememberRecent(path);
    return true;
}

std::optional<PresetValues> Presets::ReadAndReport(const fs::path& path) {
    std::string error;
    std::optional<PresetValues> values = ReadPresetValues(path, error);
    if (!values) {
        dialogs_.ShowMessage("Error loading file: " + error);
        return std::nullopt;
    }
    dialogs_.ShowMessage("File loaded successfully: " + path.string());
    RememberRecent(path);
    return values;
}

std::optional<PresetValues> Presets::ReadPresetFile() {
    if (!dataFolder_.CreateFolder(PresetFolder(), "Error creating folder: ")) {
        return std::nullopt;
    }
    const fs::path path = dialogs_.OpenFileName(DialogRequest("Open Preset File"));
    if (path.empty()) {
        return std::nullopt;
    }
    return ReadAndReport(path);
}

bool Presets::ApplyLoaded(const std::optional<PresetValues>& values) {
    if (!values) {
        log_.PrintToConsole("");
        return false;
    }
    return LoadValues(*values).has_value();
}

std::optional<int> Presets::LoadValues(const PresetValues& values) {
    const std::string text = PresetLogText(values);
    log_.PrintToConsole(text);
    for (std::size_t slot = 0; slot < presetLineCount; ++slot) {
        const std::uint32_t old = fx_.state.parameters.Value(slot);
        if (old != values[slot]) {
            log_.PrintToConsole(fx_.state.parameters.Name(slot) + ": " + HexField(old, 8) +
                                " \u2192 " + HexField(values[slot], 8));
        }
    }
    // The values as the file's text gives them, over the ones held.
    ParameterSet loaded = fx_.state.parameters;
    ApplyPresetText(text, loaded);
    std::array<std::uint32_t, parameterCount> next{};
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        next[slot] = loaded.Value(slot);
    }
    return fx_.LoadValues(next);
}

bool Presets::LoadPreset() {
    return ApplyLoaded(ReadPresetFile());
}

bool Presets::LoadPresetFrom(const fs::path& path) {
    return ApplyLoaded(ReadAndReport(path));
}

fs::path Presets::RecentFile() const {
    return dataFolder_.DeviceFolder() / kRecentFileName;
}

void Presets::ReadRecentPresets() {
    dataFolder_.settings.recentPresets.clear();
    std::string text;
    std::string error;
    std::error_code missing;
    if (!fs::exists(RecentFile(), missing) || !ReadSettingsText(RecentFile(), text, error)) {
        return;
    }
    std::size_t at = 0;
    while (at < text.size() && dataFolder_.settings.recentPresets.size() < kRecentCount) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        if (end > at) {
            dataFolder_.settings.recentPresets.emplace_back(std::u8string(
                text.begin() + static_cast<long>(at), text.begin() + static_cast<long>(end)));
        }
        at = end + 1;
    }
}

void Presets::RememberRecent(const fs::path& path) {
    std::error_code ignored;
    const fs::path absolute = fs::absolute(path, ignored);
    std::erase(dataFolder_.settings.recentPresets, absolute);
    dataFolder_.settings.recentPresets.insert(dataFolder_.settings.recentPresets.begin(), absolute);
    if (dataFolder_.settings.recentPresets.size() > kRecentCount) {
        dataFolder_.settings.recentPresets.resize(kRecentCount);
    }
    std::string text;
    for (const fs::path& recent : dataFolder_.settings.recentPresets) {
        const std::u8string name = recent.u8string();
        text += std::string(name.begin(), name.end()) + "\n";
    }
    // The list is a convenience: failing to keep it must not spoil a save or a load.
    std::string error;
    if (!WriteSettingsText(RecentFile(), text, error)) {
        log_.PrintToConsole("Recent presets not kept: " + error);
    }
}

} // namespace corvid
