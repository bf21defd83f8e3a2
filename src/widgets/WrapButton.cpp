#include "widgets/WrapButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace corvid {

void WrapButton::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    // Where the system's fonts run wider than the designed ones, shrink rather than clip.
    constexpr int flags = Qt::AlignCenter | Qt::TextWordWrap;
    QFont fitted = font();
    while (fitted.pointSizeF() > 7 &&
           !area.contains(QFontMetrics(fitted).boundingRect(area, flags, text()))) {
        fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
    }
    painter.setFont(fitted);
    painter.drawItemText(area, flags, palette(), isEnabled(), text(), QPalette::ButtonText);
}

} // namespace corvid
