#include "widgets/RotaryDial.h"

#include "link/ParameterModel.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvid {

namespace {

// A look's colour, or the palette's when the look sets none; faded while disabled.
QColor LookColor(const QWidget& widget, const QColor& look, QPalette::ColorRole role) {
    if (!widget.isEnabled()) {
        QColor faded = look.isValid() ? look : widget.palette().color(QPalette::Disabled, role);
        faded.setAlphaF(faded.alphaF() * 0.5);
        return faded;
    }
    return look.isValid() ? look : widget.palette().color(QPalette::Active, role);
}

} // namespace

RotaryDial::RotaryDial(const QString& caption, QWidget* parent) : QWidget(parent) {
    setAccessibleName(caption);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(40, 40);
}

void RotaryDial::setAngle(int angle) {
    angle = std::clamp(angle, -180, 180);
    if (angle == angle_) {
        return;
    }
    angle_ = angle;
    update();
    // A screen reader hears the new position.
    QAccessibleValueChangeEvent changed(
        this, std::clamp(DialAngleToPosition(SnapDialAngle(angle_)), 0, kTravel));
    QAccessible::updateAccessibility(&changed);
    emit angleChanged(angle_);
}

void RotaryDial::Step(int positions) {
    // From inside the dead zone, a step starts at the end it is nearest to.
    const int from = DialAngleToPosition(SnapDialAngle(angle_));
    setAngle(PositionToDialAngle(std::clamp(from + positions, 0, kTravel)));
}

void RotaryDial::TurnToPoint(const QPointF& point) {
    const QPointF centre = QRectF(rect()).center();
    const double dx = point.x() - centre.x();
    const double dy = centre.y() - point.y();
    if (std::hypot(dx, dy) < 2.0) {
        return;
    }
    int angle = static_cast<int>(std::lround(std::atan2(dy, dx) * 180.0 / std::numbers::pi));
    // Like a real knob, a drag stops at the end it reaches instead of jumping across the gap
    // at the bottom to the other end.
    const int from = DialAngleToPosition(SnapDialAngle(angle_));
    const bool nearMaximum = from > kTravel / 2;
    const int to = DialAngleToPosition(SnapDialAngle(angle));
    if ((angle > kMinimum && angle < kMaximum) || std::abs(to - from) > kTravel / 2) {
        angle = nearMaximum ? kMaximum : kMinimum;
    }
    setAngle(angle);
}

void RotaryDial::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        TurnToPoint(event->position());
    }
}

void RotaryDial::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) != 0) {
        TurnToPoint(event->position());
    }
}

void RotaryDial::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) {
        Step(notches * 3);
    }
    event->accept();
}

void RotaryDial::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right:
        Step(1);
        break;
    case Qt::Key_Down:
    case Qt::Key_Left:
        Step(-1);
        break;
    case Qt::Key_PageUp:
        Step(kPageStep);
        break;
    case Qt::Key_PageDown:
        Step(-kPageStep);
        break;
    case Qt::Key_Home:
        Step(-kTravel);
        break;
    case Qt::Key_End:
        Step(kTravel);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void RotaryDial::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF knob = QRectF(rect()).adjusted(4, 4, -4, -4);
    painter.setPen(QPen(LookColor(*this, rimColor_, QPalette::Dark), rimWidth_));
    painter.setBrush(LookColor(*this, knobColor_, QPalette::Button));
    painter.drawEllipse(knob);

    if (arcColor_.alpha() > 0) {
        // From the resting point clockwise to the knob (Qt's arcs run counter-clockwise).
        const int swept = std::clamp(DialAngleToPosition(angle_), 0, kTravel);
        painter.setPen(QPen(LookColor(*this, arcColor_, QPalette::Highlight), 2.5, Qt::SolidLine,
                            Qt::FlatCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), kMinimum * 16, -swept * 16);
    }

    const double radians = angle_ * std::numbers::pi / 180.0;
    const QPointF centre = knob.center();
    const double reach = knob.width() / 2.0 - 2.0;
    const QPointF tip(centre.x() + reach * std::cos(radians),
                      centre.y() - reach * std::sin(radians));
    painter.setPen(QPen(LookColor(*this, pointerColor_, QPalette::ButtonText), 2.5, Qt::SolidLine,
                        Qt::RoundCap));
    painter.drawLine(centre, tip);

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

OnOffSwitch::OnOffSwitch(const QString& caption, QWidget* parent) : QWidget(parent) {
    setAccessibleName(caption);
    setFixedSize(41, 21);
}

void OnOffSwitch::setOn(bool on) {
    if (on != on_) {
        on_ = on;
        update();
    }
}

void OnOffSwitch::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = cornerRadius_ < 0 ? track.height() / 2 : cornerRadius_;
    painter.setPen(QPen(LookColor(*this, rimColor_, QPalette::Dark), 1));
    painter.setBrush(on_ ? LookColor(*this, onColor_, QPalette::Highlight)
                         : LookColor(*this, offColor_, QPalette::Button));
    painter.drawRoundedRect(track, radius, radius);
    const double d = track.height() - 4;
    const double x = on_ ? track.right() - 2 - d : track.left() + 2;
    painter.setBrush(LookColor(*this, thumbColor_, QPalette::Base));
    const QRectF thumb(x, track.top() + 2, d, d);
    painter.drawRoundedRect(thumb, std::min(radius, d / 2), std::min(radius, d / 2));
}

} // namespace corvid
