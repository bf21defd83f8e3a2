#pragma once

#include <QPushButton>

namespace corvid {

// A push button whose caption wraps onto a second line when it does not fit.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace corvid
