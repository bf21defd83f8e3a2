#pragma once

#include <QWidget>

namespace corvid {

// A knob whose value is a whole-degree angle from -180 to 180 (0 points right, angles grow
// counter-clockwise). It rests at -135, its minimum, and turns clockwise through the top to -45,
// its maximum; the quarter at the bottom between the two is a dead zone the knob can be dragged
// into and that the editor snaps out of. Turned by dragging around the centre, by the wheel and
// by the arrow, Page, Home and End keys.
class RotaryDial : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinimum = -135;
    static constexpr int kMaximum = -45;
    static constexpr int kTravel = 269;
    static constexpr int kPageStep = 27;

    explicit RotaryDial(const QString& caption, QWidget* parent = nullptr);

    int angle() const { return angle_; }
    // Emits angleChanged when the angle changes, whoever changes it.
    void setAngle(int angle);

    QSize sizeHint() const override { return {40, 40}; }

signals:
    void angleChanged(int angle);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void TurnToPoint(const QPointF& point);
    // Moves the knob by a number of positions along its travel (clockwise is positive).
    void Step(int positions);

    int angle_ = kMinimum;
};

// A two-state switch that shows a value (on or off); it is not operated from the editor.
class OnOffSwitch : public QWidget {
    Q_OBJECT
public:
    explicit OnOffSwitch(const QString& caption, QWidget* parent = nullptr);

    bool isOn() const { return on_; }
    void setOn(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool on_ = false;
};

} // namespace corvid
