#pragma once

#include <QPushButton>

namespace corvid {

// A push button whose caption wraps onto further lines when it does not fit on one.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

    // The least room between a caption and its button's sides, so no caption runs into the
    // outline.
    static constexpr int kCaptionMarginPx = 2;

    // The font the caption is drawn in: the button's own, unless the wrapped caption needs more
    // room than the button has; then the largest size (in half points) at which it fits.
    QFont FittedFont() const;
    // The room for the caption: the button's contents, kCaptionMarginPx in from each side.
    QRect CaptionArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace corvid
