#include "app/PresetDrop.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <optional>

namespace corvid {

namespace {

std::optional<std::filesystem::path> DroppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile()) {
        return std::nullopt;
    }
    // In the system's own separators, as its messages name the file.
    return std::filesystem::path(
        QDir::toNativeSeparators(data->urls().front().toLocalFile()).toStdU16String());
}

} // namespace

PresetDrop::PresetDrop(QWidget& window, Loader load) : QObject(&window), load_(std::move(load)) {
    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

bool PresetDrop::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (DroppedFile(drag->mimeData())) {
            drag->acceptProposedAction();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (const std::optional<std::filesystem::path> file = DroppedFile(drop->mimeData())) {
            drop->acceptProposedAction();
            // Loaded once the drop is over: its message boxes must not run inside the drag.
            QMetaObject::invokeMethod(
                this, [this, path = *file] { load_(path); }, Qt::QueuedConnection);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace corvid
