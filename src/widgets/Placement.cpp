#include "widgets/Placement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>
#include <limits>

namespace corvid {

namespace {

// The area two rectangles share.
long long Overlap(const QRect& a, const QRect& b) {
    const QRect shared = a.intersected(b);
    return shared.isEmpty() ? 0 : static_cast<long long>(shared.width()) * shared.height();
}

} // namespace

void PlaceBeside(QWidget& window, const QWidget& from) {
    const QScreen* screen =
        from.screen() != nullptr ? from.screen() : QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    const QRect besideFrame = from.frameGeometry();
    // The platform's frame around a client area, as the window beside shows it.
    const QMargins frame(from.geometry().left() - besideFrame.left(),
                         from.geometry().top() - besideFrame.top(),
                         besideFrame.right() - from.geometry().right(),
                         besideFrame.bottom() - from.geometry().bottom());
    const QSize size = window.size().grownBy(frame);

    std::vector<QRect> others;
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other != &window && other->isVisible() && other->isWindow()) {
            others.push_back(other->frameGeometry());
        }
    }
    const std::array<QPoint, 4> candidates = {
        QPoint(besideFrame.right() + 1, besideFrame.top()),
        QPoint(besideFrame.left() - size.width(), besideFrame.top()),
        QPoint(besideFrame.left(), besideFrame.bottom() + 1),
        QPoint(besideFrame.left(), besideFrame.top() - size.height()),
    };
    QPoint best = candidates.front();
    long long least = std::numeric_limits<long long>::max();
    for (QPoint at : candidates) {
        // Kept on the screen, title bar first.
        at.setX(std::clamp(at.x(), area.left(),
                           std::max(area.left(), area.right() + 1 - size.width())));
        at.setY(std::clamp(at.y(), area.top(),
                           std::max(area.top(), area.bottom() + 1 - size.height())));
        const QRect placed(at, size);
        // Covering the window it belongs to weighs most: the user came from there.
        long long covered = Overlap(placed, besideFrame) * 1000;
        for (const QRect& other : others) {
            covered += Overlap(placed, other);
        }
        if (covered < least) {
            least = covered;
            best = at;
        }
    }
    // Never exactly over another window: step down and right until clear.
    for (int step = 0; step < 8; ++step) {
        const bool taken = std::any_of(others.begin(), others.end(),
                                       [&](const QRect& other) { return other.topLeft() == best; });
        if (!taken) {
            break;
        }
        best += QPoint(24, 24);
    }
    window.move(best);
}

} // namespace corvid
