#pragma once

#include <QObject>

#include <filesystem>
#include <functional>

class QWidget;

namespace corvid {

// Lets a window take a preset file dropped on it: one local file is loaded as Load Preset would
// load it; anything else is not accepted, so the pointer shows it will not be taken.
class PresetDrop : public QObject {
public:
    using Loader = std::function<void(const std::filesystem::path&)>;
    PresetDrop(QWidget& window, Loader load);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Loader load_;
};

} // namespace corvid
