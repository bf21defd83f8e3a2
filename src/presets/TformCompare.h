#pragma once

#include "presets/Presets.h"

#include <QWidget>

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace corvid {

// File > Compare...: the editor's values, the pedal's (read on opening) and a file's (a preset,
// a backup or a history entry) side by side, each in its control's terms; a row that differs is
// marked. "Load into editor" takes the pedal's or the file's column.
class TformCompare : public QWidget {
public:
    struct Sources {
        std::function<PresetValues()> editor;
        // nullopt when the pedal could not be read (its message was shown).
        std::function<std::optional<PresetValues>()> pedal;
        // A file the user chooses; empty when none was.
        std::function<std::filesystem::path()> chooseFile;
        // The file's values, or nullopt with the reason.
        std::function<std::optional<PresetValues>(const std::filesystem::path&, std::string&)>
            readFile;
        std::function<void(const PresetValues&)> load;
    };

    TformCompare();
    void FormCreate(Sources sources);
    // Reads the editor's and the pedal's values afresh and shows them.
    void Open();

    QTreeWidget* tblCompare;
    QPushButton* btnChooseFile;
    QPushButton* btnLoadPedal;
    QPushButton* btnLoadFile;
    QLabel* lblFile;

private:
    enum Column { kEditor, kPedal, kFile, kColumns };
    void Show();

    Sources sources_;
    std::array<std::optional<PresetValues>, kColumns> columns_;
};

} // namespace corvid
