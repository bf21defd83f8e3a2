#include "widgets/WrapButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace corvid {

namespace {

constexpr int kWrapFlags = Qt::AlignCenter | Qt::TextWordWrap;
// The last line's descent is mostly empty: it may reach a pixel or two into the button's frame
// without a glyph being cut (two lines of Arial 11 are 34 px in a 33 px button).
constexpr int kDescentSlackPx = 2;
constexpr double kSmallestPointSize = 7.0;

} // namespace

QRect WrapButton::CaptionArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()
        ->subElementRect(QStyle::SE_PushButtonContents, &option, this)
        .adjusted(kCaptionMarginPx, 0, -kCaptionMarginPx, 0);
}

QFont WrapButton::FittedFont() const {
    const QRect area = CaptionArea();
    const QRect room = area.adjusted(0, -kDescentSlackPx, 0, kDescentSlackPx);
    QFont fitted = font();
    while (fitted.pointSizeF() > kSmallestPointSize &&
           !room.contains(QFontMetrics(fitted).boundingRect(area, kWrapFlags, text()))) {
        fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
    }
    return fitted;
}

void WrapButton::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect area = CaptionArea();
    painter.setFont(FittedFont());
    painter.drawItemText(area.adjusted(0, -kDescentSlackPx, 0, kDescentSlackPx), kWrapFlags,
                         palette(), isEnabled(), text(), QPalette::ButtonText);
}

} // namespace corvid
