#pragma once

#include <QPushButton>

namespace corvid {

// A push button whose caption wraps onto further lines when it does not fit on one.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

    // The font the caption is drawn in: the button's own, unless the wrapped caption needs more
    // room than the button has; then the largest size (in half points) at which it fits.
    QFont FittedFont() const;
    // The room for the caption.
    QRect CaptionArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace corvid
