#include "preferences/DataFolder.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <system_error>

namespace corvid {

namespace fs = std::filesystem;

namespace {

QString ToQString(const fs::path& path) {
    return QString::fromStdU16String(path.u16string());
}

} // namespace

bool ReadSettingsText(const fs::path& path, std::string& text, std::string& error) {
    QFile file(ToQString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = "Cannot read " + path.string() + ": " + file.errorString().toStdString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = "Cannot read " + path.string() + ": " + file.errorString().toStdString();
        return false;
    }
    const auto bom = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(bom.value_or(QStringConverter::Utf8), QStringConverter::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (!bom && decoder.hasError()) {
        decoded = QString::fromLocal8Bit(bytes);
    }
    if (!decoded.isEmpty() && decoded.front() == QChar(0xFEFF)) {
        decoded.remove(0, 1);
    }
    text = decoded.toStdString();
    return true;
}

bool WriteFileAtomically(const fs::path& path, const std::string& bytes, std::string& reason) {
    // A device or a pipe (/dev/null, /dev/stdout) cannot be replaced: it is written as it is.
    std::error_code error;
    const fs::file_type type = fs::status(path, error).type();
    if (!error && type != fs::file_type::regular && type != fs::file_type::not_found &&
        type != fs::file_type::directory) {
        QFile device(ToQString(path));
        if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
            device.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                static_cast<qint64>(bytes.size())) {
            reason = device.errorString().toStdString();
            return false;
        }
        return true;
    }
    QSaveFile file(ToQString(path));
    // A short write can pass unnoticed in the buffer; flush and look before the rename.
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.flush() || file.error() != QFileDevice::NoError || !file.commit()) {
        reason = file.errorString().toStdString();
        return false;
    }
    return true;
}

bool WriteSettingsText(const fs::path& path, const std::string& text, std::string& error) {
    std::string reason;
    if (!WriteFileAtomically(path, text, reason)) {
        error = "Cannot write " + path.string() + ": " + reason;
        return false;
    }
    return true;
}

fs::path DataFolder::DeviceFolder() const {
    return DataFolderPath() / deviceFolderName;
}

fs::path DataFolder::ShowUpdateSettingPath() const {
    return DeviceFolder() / kShowUpdateFileName;
}

fs::path DataFolder::DataFolderPath() const {
    return documents_ / kDataFolderName;
}

bool DataFolder::CreateFolder(const fs::path& path, const std::string& errorPrefix) {
    std::error_code error;
    if (!fs::is_directory(path, error)) {
        fs::create_directories(path, error);
    }
    if (error) {
        dialogs_.ShowMessage(errorPrefix + error.message());
        return false;
    }
    return true;
}

void DataFolder::CreateDataFolder(const std::string& name) {
    CreateFolder(documents_ / name, "Error creating folder: ");
}

void DataFolder::CreateDataSubfolder(const std::string& name, const std::string& subName) {
    CreateFolder(documents_ / name / subName, "Error creating subfolder: ");
}

void DataFolder::ReadShowUpdateSetting() {
    const fs::path path = ShowUpdateSettingPath();
    std::string text;
    std::string error;
    std::error_code exists;
    if (!fs::exists(path, exists)) {
        if (!WriteSettingsText(path, "YES", error)) {
            dialogs_.ShowMessage(error);
        }
    } else if (!ReadSettingsText(path, text, error)) {
        dialogs_.ShowMessage(error);
    }
    if (text == "YES") {
        settings.showUpdateMessage = true;
    } else if (text == "NO") {
        settings.showUpdateMessage = false;
    }
}

void DataFolder::RewriteSettingIfPresent(const std::string& text) {
    std::error_code exists;
    if (!fs::exists(ShowUpdateSettingPath(), exists)) {
        return;
    }
    std::string error;
    if (!WriteSettingsText(ShowUpdateSettingPath(), text, error)) {
        dialogs_.ShowMessage(error);
    }
}

void DataFolder::SetShowUpdateMessage(bool checked) {
    settings.showUpdateMessage = checked;
    RewriteSettingIfPresent(checked ? "YES" : "NO");
}

void DataFolder::StopUpdateNotices(bool checked) {
    if (checked) {
        settings.showUpdateMessage = false;
        RewriteSettingIfPresent("NO");
    }
}

} // namespace corvid
