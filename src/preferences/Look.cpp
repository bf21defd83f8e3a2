#include "preferences/Look.h"

#include <QFile>
#include <QString>

#include <system_error>

namespace corvid {

std::optional<std::string> Look::StyleSheet(int n) {
    QFile file(QString(":/styles/Style_%1").arg(n));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll().toStdString();
}

bool Look::ApplyStyle(int n) {
    const std::optional<std::string> sheet = StyleSheet(n);
    if (!sheet) {
        return false;
    }
    view_.SetStyleSheet(*sheet);
    dataFolder_.settings.look = n;
    return true;
}

std::filesystem::path Look::LookFile() const {
    return dataFolder_.DataFolderPath() / kLookFileName;
}

void Look::ChooseLook(int n) {
    ApplyStyle(n);
    std::string error;
    // The new look stays on for this run even when it cannot be remembered.
    if (!WriteSettingsText(LookFile(), std::to_string(n), error)) {
        dialogs_.ShowMessage(error);
    }
}

void Look::ApplySavedLook() {
    std::error_code missing;
    if (!std::filesystem::exists(LookFile(), missing)) {
        ApplyStyle(0);
        return;
    }
    std::string text;
    std::string error;
    if (!ReadSettingsText(LookFile(), text, error)) {
        dialogs_.ShowMessage(error);
        ApplyStyle(0);
        return;
    }
    // A hand-edited file may end with a line break; anything but a whole number is look 0.
    bool whole = false;
    const int n = QString::fromStdString(text).trimmed().toInt(&whole, 10);
    ApplyStyle(whole ? n : 0);
}

} // namespace corvid
