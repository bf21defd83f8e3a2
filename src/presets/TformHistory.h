#pragma once

#include "presets/History.h"

#include <QWidget>

#include <filesystem>
#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace corvid {

// File > History...: the pedal's states kept before each change, newest first, with what
// changed since the one before; Restore writes the chosen one back through the restore path.
class TformHistory : public QWidget {
public:
    TformHistory();
    // `readThisConnection` says whether a change now would be kept; `restore` restores a file.
    // `addresses` are the algorithm's, to name what a control holds.
    void FormCreate(const PedalHistory& history, const ParameterSet& addresses,
                    std::function<bool()> readThisConnection,
                    std::function<void(const std::filesystem::path&)> restore);
    // Lists the entries as they are now.
    void Refresh();

    QTreeWidget* lstHistory;
    QLabel* lblWhy;
    QPushButton* btnRestore;

private:
    const PedalHistory* history_ = nullptr;
    const ParameterSet* addresses_ = nullptr;
    std::function<bool()> readThisConnection_;
    std::function<void(const std::filesystem::path&)> restore_;
};

} // namespace corvid
