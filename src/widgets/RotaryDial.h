#pragma once

#include <QColor>
#include <QWidget>

namespace corvid {

// A knob whose value is a whole-degree angle from -180 to 180 (0 points right, angles grow
// counter-clockwise). It rests at -135, its minimum, and turns clockwise through the top to -45,
// its maximum; the quarter at the bottom between the two is a dead zone the knob can be dragged
// into and that the editor snaps out of. Turned by dragging around the centre, by the wheel and
// by the arrow, Page, Home and End keys.
//
// A look's style sheet sets its colours (qproperty-knobColor and so on); a colour left unset
// comes from the palette.
class RotaryDial : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor knobColor MEMBER knobColor_ NOTIFY lookChanged)
    Q_PROPERTY(QColor rimColor MEMBER rimColor_ NOTIFY lookChanged)
    Q_PROPERTY(QColor pointerColor MEMBER pointerColor_ NOTIFY lookChanged)
    // The arc from the minimum to the knob's angle; transparent draws none.
    Q_PROPERTY(QColor arcColor MEMBER arcColor_ NOTIFY lookChanged)
    Q_PROPERTY(qreal rimWidth MEMBER rimWidth_ NOTIFY lookChanged)
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
    void lookChanged();

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
    QColor knobColor_;
    QColor rimColor_;
    QColor pointerColor_;
    QColor arcColor_ = Qt::transparent;
    qreal rimWidth_ = 1.5;
};

// A two-state switch that shows a value (on or off); it is not operated from the editor.
class OnOffSwitch : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor onColor MEMBER onColor_ NOTIFY lookChanged)
    Q_PROPERTY(QColor offColor MEMBER offColor_ NOTIFY lookChanged)
    Q_PROPERTY(QColor thumbColor MEMBER thumbColor_ NOTIFY lookChanged)
    Q_PROPERTY(QColor rimColor MEMBER rimColor_ NOTIFY lookChanged)
    // Corner radius of the track in pixels; negative gives a pill.
    Q_PROPERTY(qreal cornerRadius MEMBER cornerRadius_ NOTIFY lookChanged)
public:
    explicit OnOffSwitch(const QString& caption, QWidget* parent = nullptr);

    bool isOn() const { return on_; }
    void setOn(bool on);

signals:
    void lookChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool on_ = false;
    QColor onColor_;
    QColor offColor_;
    QColor thumbColor_;
    QColor rimColor_;
    qreal cornerRadius_ = -1;
};

} // namespace corvid
